s = 0;
for k = 1:10
  if mod(k, 2) == 0, continue, end
  s = s + k;
  if s > 20, break, end
end
s
while s > 0, s = s - 7; end
