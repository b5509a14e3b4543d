% A plug-in given with --plugin that cannot be loaded stops the session.
% args: --plugin $PLUGINS/../plugins/missing.so
% no-script
% expect: error: Cannot load plug-in '$PLUGINS/missing.so': $PLUGINS/missing.so: cannot open shared object file: No such file or directory
