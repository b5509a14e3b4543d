undefined_thing + 1
[1 2] + [1 2 3]
x = 1; x(0)
x(1.5)
x{1}
ones(2)(3, 3)
