% args: --bogus
% no-script
% expect: mexhost: unknown option '--bogus' (see mexhost --help)
% exit: 2
