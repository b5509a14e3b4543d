function test_simulation_figures()
% Simulation mode in Octave, both deliverables: vextrab(0.1, 'm', [50 Inf])
% leaves figure 1 (conductor 1, volts) and figure 2 (conductor 2, millivolts)
% with the fixed texts, two 4096-sample lines over the 25 ns window viewed up
% to 20 ns, and waveforms that agree with the independent Octave reference.
  xt_headless();
  [~, ~, ~, ~, vf, vn, ~, t] = ref_driver_compute(0.1, 'm', [50 Inf]);
  ns = t * 1e9;
  expected = {[vf(:, 1), vn(:, 1)], 1000 * [vf(:, 2), vn(:, 2)]};
  titles = {'Spänning i laständan på ledare 1', 'Spänning på ledare 2'};
  ylabels = {'Amplitud [V]', 'Amplitud [mV]'};
  out = tempname();
  mkdir(out);
  cleanup = onCleanup(@() remove_folder(out));

  checks = cell(0, 2);
  drawn = struct();
  for name = {'vextrab', 'vextral'}
    fn = name{1};
    close all;
    feval(fn, 0.1, 'm', [50 Inf]);
    for n = 1:2
      fig = snapshot(n, fullfile(out, sprintf('%s-%d.png', fn, n)));
      drawn.(fn){n} = fig;
      what = sprintf('%s, figure %d: ', fn, n);
      checks(end + 1, :) = {[what 'title, labels and legend'], ...
                            @() check_texts(fig, titles{n}, ylabels{n})};
      checks(end + 1, :) = {[what 'two lines of 4096 samples from 0 to 25 ns'], ...
                            @() check_time_axis(fig, ns)};
      checks(end + 1, :) = {[what 'visible time range ends at 20 ns'], ...
                            @() assert(fig.xlim(2), 20)};
      checks(end + 1, :) = {[what 'waveforms agree with the reference'], ...
                            @() check_waveforms(fig, expected{n})};
      checks(end + 1, :) = {[what 'prints to PNG'], @() check_png(fig.png)};
    end
  end
  checks(end + 1, :) = {'vextrab and vextral draw the same numbers, bit for bit', ...
                        @() check_same(drawn.vextrab, drawn.vextral)};
  xt_checks(checks);
end

% What the checks read, taken before the next run closes the figure.
function fig = snapshot(n, png)
  figure(n);
  [ax, lines, fig.legend] = xt_plot_parts(n);
  fig.title = get(get(ax, 'title'), 'string');
  fig.xlabel = get(get(ax, 'xlabel'), 'string');
  fig.ylabel = get(get(ax, 'ylabel'), 'string');
  fig.xlim = get(ax, 'xlim');
  fig.xdata = get(lines, 'xdata');
  fig.ydata = get(lines, 'ydata');
  fig.texts = get(findobj(n, 'type', 'text', '-not', 'string', ''), 'string');
  print(n, '-dpng', png);
  fig.png = png;
end

function check_texts(fig, title, ylabel)
  assert(fig.title, title);
  assert(fig.xlabel, 'Tid [ns]');
  assert(fig.ylabel, ylabel);
  assert(fig.legend(:)', {'Spänning i laständan', 'Spänning i källändan'});
  % The plot takes over the axes of the banner, which disappears.
  assert(~any(strcmp(cellstr(fig.texts), 'Beräkning pågår!')), 'the banner is still shown');
end

function check_time_axis(fig, ns)
  assert(iscell(fig.xdata) && numel(fig.xdata) == 2, 'expected two lines');
  for k = 1:2
    assert(size(fig.xdata{k}), [1 4096]);
    assert(numel(fig.ydata{k}), 4096);
    % The grid 0 : tmax/4095 : tmax counted from both ends, so both ends are exact.
    assert(isequal(fig.xdata{k}, ns), 'line %d: XData is not t*1e9', k);
    assert(fig.xdata{k}([1 end]), [0 25]);
    % Octave's own range rounds the upper half differently, by an ulp at most.
    assert(fig.xdata{k}, (0:2.5e-8 / 4095:2.5e-8) * 1e9, 1e-13);
  end
end

function check_waveforms(fig, expected)
  for k = 1:2
    y = fig.ydata{k}(:);
    scale = max(abs(expected(:, k)));
    assert(max(abs(y - expected(:, k))) <= 1e-10 * scale, 'line %d differs from the reference', k);
  end
end

function check_png(file)
  fid = fopen(file, 'r');
  assert(fid >= 0, 'no file %s', file);
  magic = fread(fid, 8, 'uint8')';
  fclose(fid);
  assert(magic, [137 80 78 71 13 10 26 10]);
end

function check_same(a, b)
  for n = 1:2
    assert(isequal(a{n}.ydata, b{n}.ydata), 'figure %d: YData differ', n);
    assert(isequal(a{n}.xdata, b{n}.xdata), 'figure %d: XData differ', n);
  end
end

function remove_folder(folder)
  confirm_recursive_rmdir(false, 'local');
  rmdir(folder, 's');
end
