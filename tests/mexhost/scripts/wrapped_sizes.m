% Sizes whose product wraps or passes what memory holds are errors before anything is
% allocated; dimension arguments past the last dimension cost nothing.
x(4294967296,4294967296) = 1
% expect: error: Maximum variable size allowed by the program is exceeded.
a = zeros(65536,65536,65536,65536);
% expect: error: Maximum variable size allowed by the program is exceeded.
zeros(1e9,1e9,1e9)
% expect: error: Maximum variable size allowed by the program is exceeded.
ones([2^20 2^20 2^20])
% expect: error: Maximum variable size allowed by the program is exceeded.
cell(1e9,1e9)
% expect: error: Maximum variable size allowed by the program is exceeded.
true(1e9)
% expect: error: Maximum variable size allowed by the program is exceeded.
eye(1e9)
% expect: error: Maximum variable size allowed by the program is exceeded.
zeros(0, 65536, 65536, 65536, 65536)
% expect: error: Maximum variable size allowed by the program is exceeded.
repmat(1, 1e9, 1e9)
% expect: error: Maximum variable size allowed by the program is exceeded.
repmat(1:1e6, 1e9, 1e6)
% expect: error: Maximum variable size allowed by the program is exceeded.
y = []; y(1e15) = 1
% expect: error: Maximum variable size allowed by the program is exceeded.
v = 1:3; v(ones(1,1e5), ones(1,1e5), ones(1,1e5))
% expect: error: Maximum variable size allowed by the program is exceeded.
reshape(1:4, 65536, 65536, 65536, 65536)
% expect: error: Maximum variable size allowed by the program is exceeded.
zeros(1e5, 1e5, 10)
% expect: error: Out of memory.
diag(1:1e6)
% expect: error: Out of memory.
1:1e10
% expect: error: Maximum variable size allowed by the program is exceeded.
cat(1e9, 1, 2)
% expect: error: Maximum variable size allowed by the program is exceeded.
cat(1e9, [1 2])
% expect: ans =
% expect-blank
% expect:      1     2
% expect-blank
sum([1 2], 1e9)
% expect: ans =
% expect-blank
% expect:      1     2
% expect-blank
size(repmat([1 2; 3 4], 2, 3))
% expect: ans =
% expect-blank
% expect:      4     6
% expect-blank
size(repmat(zeros(1, 0), 1e9, 2), 1)
% expect: ans = 1.0000e+09
repmat('ab', 1, 2)
% expect: ans = abab
