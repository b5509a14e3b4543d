function err = xt_expect_error(call, message)
% XT_EXPECT_ERROR  Runs CALL (a function handle) and returns the error it
% raises; fails if it raises none, or if MESSAGE is given and the error's text
% is not exactly MESSAGE.
  try
    call();
  catch err
    if nargin > 1 && ~strcmp(err.message, message)
      error('xt:wrongMessage', 'got     "%s"\n      wanted  "%s"', err.message, message);
    end
    return;
  end
  error('xt:noError', '%s raised no error', func2str(call));
end
