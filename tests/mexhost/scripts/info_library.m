% --info lists what the loader finds in a library plug-in.
% args: --info $PLUGINS/testlib.so
% no-script
% expect: plug-in: $PLUGINS/testlib.so
% expect: kind: library (_mexLibrary)
% expect: descriptor version: 1
% expect: functions: 1
% expect:   testlib: 2 inputs, 1 output
% expect:     local function table: 2 rows
% expect:       tl_double: 1 input, 1 output
% expect:       tl_table: 0 inputs, 1 output
% expect: initialiser/finaliser pairs: 1
% expect: string resources: 2
% expect:   100: testresurs
% expect:   101: Ålder på biblioteket
