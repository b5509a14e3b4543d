% Statements given as arguments run one per line; a failure makes the exit status 1.
% no-script
% args: 'x = 1' "error('boom')" 'y = x + 1' 'nothere on'
% expect: x = 1
% expect: error: boom
% expect: y = 2
% expect: error: Undefined function or variable 'nothere'.
