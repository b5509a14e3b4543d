% --version names the program and its version, and exits.
% no-script
% args: --version 'disp(1)'
% expect: mexhost 1.0.0
