[a, b] = size(ones(2, 3))
[~, i] = max([3 9 1])
[r, c] = deal
