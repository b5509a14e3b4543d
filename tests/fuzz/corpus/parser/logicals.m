true(2), false(1, 3)
logical([2 0 -1])
x = 1:4; x(logical([1 0 1 0]))
