x = [10 20 30 40];
x(end)
x(2:end)
x(x > 15)
x([1 end]) = []
A = magic = 3;
