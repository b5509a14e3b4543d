function test_cross_section()
% Geometry mode in Octave, both deliverables: vextrab(0.1) draws the three
% conductors as thick blue segments and adjusts the axes. A stand-in for set
% records what the plug-in asks of the axes.
  xt_headless();
  warning('off', 'Octave:shadowed-function');
  addpath(fullfile(fileparts(mfilename('fullpath')), 'spy'));
  global xt_set_calls

  checks = cell(0, 2);
  for name = {'vextrab', 'vextral'}
    fn = name{1};
    close all;
    xt_set_calls = {};
    feval(fn, 0.1);
    fig = snapshot(1);
    fig.calls = xt_set_calls;
    checks(end + 1, :) = {[fn ': three thick blue segments at the conductors'], ...
                          @() check_segments(fig)};
    checks(end + 1, :) = {[fn ': x-limits, equal data units, bottom margin, no grid'], ...
                          @() check_axes(fig)};
    checks(end + 1, :) = {[fn ': asks for the margins, the box ratio and the x-limits, in order'], ...
                          @() check_requests(fig)};
  end
  checks(end + 1, :) = {'with hold on, the segments join the current axes', @check_hold};
  xt_checks(checks);
end

function fig = snapshot(n)
  [ax, lines] = xt_plot_parts(n);
  fig.ax = double(ax);
  fig.props = get(ax, {'xlim', 'ylim', 'dataaspectratio', 'plotboxaspectratiomode', ...
                       'xgrid', 'ygrid'});
  fig.lines = get(lines, {'color', 'linewidth', 'xdata', 'ydata'});
end

function check_segments(fig)
  assert(rows(fig.lines), 3);
  b = [1 0.2 0.2];
  dd = [-0.2 0.2];
  x = {[-b(1) / 2, b(1) / 2]; [dd(1) - b(2) / 2, dd(1) + b(2) / 2]; [dd(2) - b(3) / 2, dd(2) + b(3) / 2]};
  y = {[0 0]; [0.1 0.1]; [0.1 0.1]};
  assert(fig.lines, [repmat({[0 0 1], 3}, 3, 1), x, y]);
end

function check_axes(fig)
  % The lowest segment (height 0) lies on the automatic lower y-limit [0 0.1]:
  % 5 % of the height range is added below it.
  assert(fig.props, {[-0.5 0.5], [-0.1 * 0.05, 0.1], [1 1 1], 'manual', 'off', 'off'});
end

% Octave re-derives the stored plot box aspect ratio from the limits when the
% x-limits change under equal data units, so the request itself is checked.
function check_requests(fig)
  % Both segments lie on a limit: the top margin is set, then replaced by the
  % bottom one.
  expected = {{fig.ax, 'ylim', [0, 0.1 + 0.1 * 0.05]}, ...
              {fig.ax, 'ylim', [-0.1 * 0.05, 0.1]}, ...
              {fig.ax, 'plotboxaspectratio', [1 0.3 1]}, ...
              {fig.ax, 'xlim', [-0.5 0.5]}};
  assert(fig.calls, expected);
end

function check_hold()
  close all;
  figure(3);
  plot([0 1], [0 1]);
  hold on;
  vextrab(0.1);
  assert(get(0, 'children'), 3);
  [~, lines] = xt_plot_parts(3);
  assert(numel(lines), 4);
end
