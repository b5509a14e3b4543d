function test_messages()
% Errors in Octave, both deliverables: the argument-count messages exactly as
% fixed (vextral: "Column: 0", no full stop), the geometry message, the
% undefined-input errors naming the argument, a host error passed on with its
% own text, and a working call after every failed one.
  xt_headless();
  checks = cell(0, 2);
  for name = {'vextrab', 'vextral'}
    fn = name{1};
    checks = [checks; count_checks(fn); input_checks(fn)];
    checks(end + 1, :) = {[fn ': help shows the text of docs/help, as mexhost does'], ...
                          @() assert(get_help_text(fn), xt_help_text(fn))};
  end
  checks(end + 1, :) = {'vextrab and vextral keep their own messages in one session', ...
                        @check_separate_deliverables};
  xt_checks(checks);
end

function message = count_message(fn, what, count)
  if strcmp(fn, 'vextrab')
    column = '1';
    stop = '.';
  else
    column = '0';
    stop = '';
  end
  message = sprintf(['Run-time Error: File: %s Line: 1 Column: %s The function "%s" was ' ...
                     'called with more than the declared number of %s (%d)%s'], ...
                    fn, column, fn, what, count, stop);
end

function checks = count_checks(fn)
  inputs = count_message(fn, 'inputs', 3);
  outputs = count_message(fn, 'outputs', 0);
  f = str2func(fn);
  checks = {
    [fn ': four inputs'], @() xt_expect_error(@() f(0.1, 'm', 'm', 1), inputs)
    [fn ': one output'], @() xt_expect_error(@() one_output(f, 0.1, 'm', 'm'), outputs)
    [fn ': one output in geometry mode'], @() xt_expect_error(@() one_output(f, 0.1), outputs)
    [fn ': outputs are checked before inputs'], ...
        @() xt_expect_error(@() two_outputs(f, 1, 2, 3, 4), outputs)
    [fn ': a count error draws nothing'], @() check_draws_nothing(f)
  };
end

function checks = input_checks(fn)
  f = str2func(fn);
  checks = {
    [fn ': three heights'], ...
        @() xt_expect_error(@() f([0.1 0.2 0.3], 'm', 'm'), 'inmatningsfel antal höjder')
    [fn ': three heights in geometry mode'], ...
        @() xt_expect_error(@() f([0.1 0.2 0.3]), 'inmatningsfel antal höjder')
    [fn ': no input names hh, after the banner'], @() check_no_input(f)
    [fn ': two inputs name Rl1112'], @() check_undefined(@() f(0.1, 'm'), 'Rl1112')
    [fn ': two inputs, numeric Rs1112, name Rl1112'], ...
        @() check_undefined(@() f(0.1, [50 Inf]), 'Rl1112')
    [fn ': a host error keeps its text, and the next call works'], @() check_host_error(f)
  };
end

function one_output(f, varargin)
  x = f(varargin{:});
end

function two_outputs(f, varargin)
  [x, y] = f(varargin{:});
end

function check_draws_nothing(f)
  close all;
  xt_expect_error(@() f(0.1, 'm', 'm', 1));
  assert(isempty(get(0, 'children')), 'a figure was made');
end

function check_undefined(call, variable)
  err = xt_expect_error(call);
  assert(~isempty(regexp(err.message, ['\<' variable '\>'], 'once')), ...
         'the message "%s" does not name %s', err.message, variable);
end

% Simulation mode shows the banner before the first read of hh; what was drawn
% stays after the error.
function check_no_input(f)
  close all;
  check_undefined(f, 'hh');
  banner = findobj(1, 'type', 'text', 'string', 'Beräkning pågår!');
  assert(numel(banner), 1, 'the banner is not shown');
  assert(get(banner, {'position', 'fontsize'}), {[0.25 0.5 0], 18});
end

function check_host_error(f)
  global xt_fail_drawnow
  hooks = fullfile(fileparts(mfilename('fullpath')), 'hooks');
  warning('off', 'Octave:shadowed-function');
  addpath(hooks);
  restore = onCleanup(@() rmpath(hooks));
  xt_fail_drawnow = true;
  err = xt_expect_error(@() f(0.1, 'm', [50 Inf]), 'drawnow: cannot draw "figure 1" (injected)');
  assert(err.identifier, 'Octave:xt-injected');
  xt_fail_drawnow = false;
  close all;
  f(0.1, 'm', [50 Inf]);
  [ax, lines] = xt_plot_parts(2);
  assert(get(get(ax, 'title'), 'string'), 'Spänning på ledare 2');
  assert(numel(lines), 2);
end

% Each plug-in carries its own copy of the binding; loading both must not let
% one answer with the other's name.
function check_separate_deliverables()
  xt_expect_error(@() vextral(1, 2, 3, 4), count_message('vextral', 'inputs', 3));
  xt_expect_error(@() vextrab(1, 2, 3, 4), count_message('vextrab', 'inputs', 3));
  xt_expect_error(@() vextral(1, 2, 3, 4), count_message('vextral', 'inputs', 3));
end
