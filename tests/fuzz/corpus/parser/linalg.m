A = [4 1; 2 3];
[V, D] = eig(A)
inv(A)
rcond(A)
A \ [1; 2]
[1 2] / A
A^2
