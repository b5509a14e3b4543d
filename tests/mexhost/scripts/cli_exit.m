% exit(n) ends the session with status n, an integer from 0 to 255.
disp('före')
% expect: före
% A status that is no exit status is an error, and the session goes on.
exit(NaN)
% expect: error: exit: the status must be an integer from 0 to 255 (got NaN).
exit(1e300)
% expect: error: exit: the status must be an integer from 0 to 255 (got 1e+300).
quit(-1)
% expect: error: quit: the status must be an integer from 0 to 255 (got -1).
exit(2.5)
% expect: error: exit: the status must be an integer from 0 to 255 (got 2.5).
exit(3)
disp('efter')
% exit: 3
