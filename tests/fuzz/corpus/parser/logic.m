a = true & false | ~0
b = 1 && 0 || 1
c = [1 0 1] == [1 1 1]
any(c), all(c)
xor = 1 ~= 2
