x = (1 + 
y = 1 +* 2
z = 'abc
if 1, x = 2
w = 3$
