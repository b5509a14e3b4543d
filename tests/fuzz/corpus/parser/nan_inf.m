x = [NaN Inf -Inf 0]
x / 0
0 / 0
isnan(x), isinf(x), isfinite(x)
max([NaN 1])
