%{
block
%}
x = 1 % trailing
% line
y = [1, ... continuation
 2]
