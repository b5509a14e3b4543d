x = 1:10;
x(end - 1)
x(end/2)
A = magic;
B = reshape(1:12, 3, 4);
B(end, end)
B(end)
B(:, end)
