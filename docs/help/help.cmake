# The help texts of the plug-ins' functions, written once in this folder and
# used by both hosts: compiled into mexhost (its `help`) and written as the
# comment-only NAME.m files that Octave shows for the MEX files beside them.
# vextral is the same program as vextrab under its own name, so it shares
# vextrab.txt.
set(XT_HELP_DIR ${CMAKE_CURRENT_LIST_DIR})
set(XT_HELP_TOPICS vextrab vextral plattm ftrapez mtlfd iffts)

# xt_help_text(<name> <out>): the text of one topic.
function(xt_help_text name out)
  if(name STREQUAL "vextral")
    file(READ ${XT_HELP_DIR}/vextrab.txt text)
    string(REPLACE "vextrab" "vextral" text "${text}")
  else()
    file(READ ${XT_HELP_DIR}/${name}.txt text)
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# xt_write_help_m(<name> <file>): the topic as an Octave help file (comments only).
function(xt_write_help_m name file)
  xt_help_text(${name} text)
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" "\n%" text "%${text}")
  file(WRITE ${file} "${text}\n")
endfunction()
