% --expose-local makes a library's local functions callable at the prompt, with
% the library's local table current while they run.
% args: --expose-local --plugin $PLUGINS/testlib.so
% expect: testlib: initialiser
tl_double([1 2])
% expect: ans =
% expect-blank
% expect:      2     4
% expect-blank
tl_table()
% expect: ans = 1
testlib('local', 4)
% expect: ans = 8
% expect: testlib: finaliser
