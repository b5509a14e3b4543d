% The command window's formats.
x = pi
% expect: x = 3.1416
v = [1e-7 2e-7]
% expect: v =
% expect-blank
% expect:    1.0e-07 *
% expect-blank
% expect:     1.0000    2.0000
% expect-blank
z = 0.5 + 0.2i
% expect: z = 0.5000 + 0.2000i
e = []
% expect: e = [](0x0)
s = 'matchad'
% expect: s = matchad
t = true
% expect: t = 1
format long g
pi
% expect: ans = 3.14159265358979
eps
% expect: ans = 2.22044604925031e-16
format long
pi
% expect: ans = 3.141592653589793
format short
format compact
m = [1 2; 3 4]
% expect: m =
% expect:      1     2
% expect:      3     4
format loose
m
% expect: m =
% expect-blank
% expect:      1     2
% expect:      3     4
% expect-blank
format bogus
% expect: error: format: unknown format 'bogus'.
