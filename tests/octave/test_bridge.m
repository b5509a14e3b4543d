function test_bridge()
% The bridge that carries a library plug-in into Octave, with a test library
% that reports its initialiser, finaliser and calls (xtlifecycle), copies of
% the bridge without a matching library (xtmissing, xtnolib), and vextrab
% itself across calls and reloads.
  xt_headless();
  checks = {
    'initialiser once, before the first call', @check_first_calls
    'finaliser when Octave clears the MEX file, initialiser again after', @check_clear
    'a library without the function is refused and finalised', @check_missing_function
    'a missing library is reported', @check_missing_library
    'a failed initialiser is reported and tried again on the next call', @check_failed_init
    'vextrab draws the same numbers after a reload', @check_vextrab_reload
  };
  xt_checks(checks);
end

function check_first_calls()
  clear xtlifecycle;
  [text, first] = evalc_result('xtlifecycle(1, 2)');
  assert(text, sprintf('init\n'));
  assert(first, [1 1 1 2]);
  [text, second] = evalc_result('xtlifecycle(7)');
  assert(text, '');
  assert(second, [1 2 1 1]);
end

function check_clear()
  xtlifecycle();
  assert(evalc('clear xtlifecycle'), sprintf('fini\n'));
  [text, r] = evalc_result('xtlifecycle()');
  assert(text, sprintf('init\n'));
  assert(r, [1 1 1 0]);
end

function check_missing_function()
  text = evalc('err = xt_expect_error(@() xtmissing());');
  assert(text, sprintf('init\nfini\n'));
  library = fullfile(fileparts(which('xtmissing')), 'xtmissing.so');
  assert(err.message, sprintf('xtmissing: Cannot load plug-in ''%s'': it has no function ''xtmissing''', library));
end

function check_missing_library()
  err = xt_expect_error(@() xtnolib());
  assert(~isempty(strfind(err.message, 'Cannot load plug-in')), err.message);
  assert(~isempty(strfind(err.message, 'xtnolib.so')), err.message);
end

function check_failed_init()
  clear xtlifecycle;
  setenv('XT_LIFECYCLE_FAIL_INIT', '1');
  err = xt_expect_error(@() xtlifecycle());
  unsetenv('XT_LIFECYCLE_FAIL_INIT');
  assert(~isempty(regexp(err.message, 'initialiser 1 failed: refused$', 'once')), err.message);
  [text, r] = evalc_result('xtlifecycle()');
  assert(text, sprintf('init\n'));
  assert(r, [1 1 1 0]);
end

% The constant table is made by the initialiser and read by every call: it
% must outlive the call that made it, and be made anew after a reload.
function check_vextrab_reload()
  clear vextrab;
  ydata = cell(1, 3);
  for k = 1:3
    close all;
    vextrab(0.1, 'm', [50 Inf]);
    [~, lines] = xt_plot_parts(2);
    ydata{k} = get(lines, 'ydata');
    if k == 2
      clear vextrab;
    end
  end
  assert(isequal(ydata{1}, ydata{2}, ydata{3}), 'the results changed');
end

function [text, result] = evalc_result(expression)
  text = evalc(['result = ' expression ';']);
end
