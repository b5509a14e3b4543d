% clear mex unloads (exit handlers, finaliser); the next call loads again.
% args: --plugin $PLUGINS/testlib.so --plugin $PLUGINS/testmex.so
% expect: testlib: initialiser
testmex('atexit'); testlib('atexit', 0);
clear mex
% expect: testmex: exit handler
% expect: testlib: exit handler
% expect: testlib: finaliser
testlib('const', 0)
% expect: testlib: initialiser
% expect: ans = 42
% expect: testlib: finaliser
