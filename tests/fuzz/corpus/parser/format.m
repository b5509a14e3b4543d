format long g
pi
format short e
[pi; 1e10]
format
1/3
format compact
x = 1
