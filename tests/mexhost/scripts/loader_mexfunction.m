% A classic plug-in (mexFunction), registered under its file name.
% args: --plugin $PLUGINS/testmex.so
testmex('add', 1, 2, 3.5)
% expect: ans = 6.5000
[p, q] = testmex('two')
% expect: p = 1
% expect: q = 2
testmex('two')
% expect: ans = 1
testmex('reverse', 'Spänning')
% expect: ans = gninnäpS
testmex('conj', [1+2i 3])
% expect: ans =
% expect-blank
% expect:    1.0000 - 2.0000i   3.0000 - 0.0000i
% expect-blank
c = testmex('cell');
c{2}
% expect: ans = två
testmex('noout')
x = testmex('noout')
% expect: error: One or more output arguments not assigned during call to 'testmex'.
testmex('error')
% expect: error: testmex: något gick fel
testmex('add', 2, 2)
% expect: ans = 4
testmex('struct')
% expect: error: Values of class 'struct' are not supported here.
testmex('call', 'max', [4 8 1])
% expect: ans = 8
testmex('call', 'error', 'från värden')
% expect: error: från värden
testmex('name')
% expect: ans = testmex
