% Matrix literals, transposes and strings, command syntax, blocks.
[1 -2]
% expect: ans =
% expect-blank
% expect:      1    -2
% expect-blank
[1 - 2]
% expect: ans = -1
a = [1 2];
[a' a']
% expect: ans =
% expect-blank
% expect:      1     1
% expect:      2     2
% expect-blank
q = 'ab';
[q 'cd']
% expect: ans = abcd
w = ['it''s' ' ok']
% expect: w = it's ok
disp hello
% expect: hello
format long g
1/3
% expect: ans = 0.333333333333333
format short
for k = 1:3
  fprintf('%d', k);
end
fprintf('\n');
% expect: 123
if numel(a) == 2, disp('två'), else, disp('inte två'), end
% expect: två
m = [1 2
     3 4];
size(m)
% expect: ans =
% expect-blank
% expect:      2     2
% expect-blank
x = 1 +* 2
% expect: error: Parse error at line 1, column 8: unexpected '*'
y = 2 % the line after a syntax error runs
% expect: y = 2
z = (1 +
% expect: error: Parse error at line 1, column 9: expected ')' near 'end of line'
z = 3 % an open parenthesis does not take the next line with it
% expect: z = 3
v = max(1, ...
        2)
% expect: v = 2
s = 'åäö
% expect: error: Parse error at line 1, column 5: unterminated string
t = [1 2 ...
     3] + [4
5
6]'
% expect: t =
% expect-blank
% expect:      5     7     9
% expect-blank
u = 1 + ]
% expect: error: Parse error at line 1, column 9: unbalanced ']'
for k = 1:2
  k = k +* 1;
end
% expect: error: Parse error at line 2, column 10: unexpected '*'
