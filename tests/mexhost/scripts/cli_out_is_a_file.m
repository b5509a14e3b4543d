% An output folder that cannot be made is refused at start-up, before anything runs.
% args: --out $PLUGINS/testlib.so/figures
% expect: mexhost: cannot write figures to '$PLUGINS/testlib.so/figures': '$PLUGINS/testlib.so' exists and is not a folder
% exit: 2
disp('never')
