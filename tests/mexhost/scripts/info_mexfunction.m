% --info on a classic plug-in, and on a file that is none.
% args: --info $PLUGINS/testmex.so
% no-script
% expect: plug-in: $PLUGINS/testmex.so
% expect: kind: mexFunction
% expect: function: testmex (inputs and outputs not declared)
% expect: string resources: none
