function xt_checks(checks)
% XT_CHECKS  Runs named checks: CHECKS is an N-by-2 cell of names and function
% handles taking no argument. Reports each as ok or FAIL with its message and
% ends in an error when any failed, so that octave-cli exits non-zero.
  failed = 0;
  for k = 1:rows(checks)
    try
      checks{k, 2}();
      printf('ok    %s\n', checks{k, 1});
    catch err
      failed = failed + 1;
      printf('FAIL  %s\n      %s\n', checks{k, 1}, err.message);
    end
  end
  printf('%d passed, %d failed\n', rows(checks) - failed, failed);
  if failed > 0
    error('xt:checksFailed', '%d of %d checks failed', failed, rows(checks));
  end
end
