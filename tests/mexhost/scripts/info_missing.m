% args: --info $PLUGINS/missing.so
% no-script
% expect: error: Cannot load plug-in '$PLUGINS/missing.so': $PLUGINS/missing.so: cannot open shared object file: No such file or directory
