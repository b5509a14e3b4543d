disp(1)
exit(NaN)
exit(3)
disp(2)
