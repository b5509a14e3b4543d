% Statement modes: displayed expressions become ans, assignments show their
% variable, a semicolon silences, a call that returns nothing shows nothing.
1 + 1
% expect: ans = 2
x = 3;
x
% expect: x = 3
y = x * 2
% expect: y = 6
ans
% expect: ans = 2
disp('no ans')
% expect: no ans
fprintf('%d\n', 7)
% expect: 7
a = 1, b = 2; c = 3
% expect: a = 1
% expect: c = 3
% An error ends its line; the next line runs.
d = 4, error('stopp: %d', 5), e = 6
% expect: d = 4
% expect: error: stopp: 5
exist_e = 7
% expect: exist_e = 7
e
% expect: error: Undefined function or variable 'e'.
error('mitt:id', 'med identifierare')
% expect: error: med identifierare
lasterr
% expect: ans = med identifierare
