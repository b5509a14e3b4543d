x = [3 1 2; 6 5 4];
sum(x), sum(x, 2), sum(x, 3)
prod(x)
[m, i] = max(x)
min(x, [], 2)
diff(x)
round(-2.5)
