% A library plug-in (_mexLibrary): initialiser before the first entry, the local
% function table seen only from inside, errors through the host, finaliser at exit.
% args: --plugin $PLUGINS/testlib.so
% expect: testlib: initialiser
testlib('init', 0)
% expect: ans = 1
x = testlib('local', [1 2 3])
% expect: x =
% expect-blank
% expect:      2     4     6
% expect-blank
testlib('table', 0)
% expect: ans = 1
tl_double(3)
% expect: error: Undefined function or variable 'tl_double'.
testlib('error', 0)
% expect: error: Fel i testlib: 7 (åäö)
testlib('const', 0)
% expect: ans = 42
testlib('hosterror', 0)
% expect: error: Värdfel från testlib
testlib('trap', 0)
% expect: ans = fångat fel
[a, b] = testlib('const', 0)
% expect: error: The function "testlib" was called with more than the declared number of outputs (1).
testlib('const', 1, 2)
% expect: error: The function "testlib" was called with more than the declared number of inputs (2).
n = mexhost_live_arrays;
testlib('error', 0);
% expect: error: Fel i testlib: 7 (åäö)
y = testlib('local', ones(2, 2));
mexhost_live_arrays - n
% expect: ans = 0
testlib('print', 'hej'); testlib('warn', 0)
% expect: utskrift: hej
% expect: warning: varning 3
testlib('eval', 'z = 5')
% expect: z = 5
% expect: ans = 0
testlib('eval', 'nope')
% expect: error: Undefined function or variable 'nope'.
% expect: ans = 1
testlib('atexit', 0);
% The exit handler runs first, then the finaliser, when the session ends.
% expect: testlib: exit handler
% expect: testlib: finaliser
