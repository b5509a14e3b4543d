format long
disp hello
hold on
clear x y
warning off all
warning('w:x', 'v %d', 1)
