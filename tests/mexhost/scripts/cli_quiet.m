% --quiet leaves out the line naming the figure files written.
% args: --quiet
plot([0 1], [0 1]);
disp('ritad')
% expect: ritad
