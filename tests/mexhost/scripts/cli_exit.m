% exit(n) ends the session with status n.
disp('före')
% expect: före
exit(3)
disp('efter')
% exit: 3
