function test_mexhost_agreement()
% The same call in Octave and in the embedded host draws the same numbers, bit
% for bit: XData and YData of both lines of both figures, for both plug-ins.
% mexhost writes its figures as JSON with 17 significant digits, which read back
% to the very same doubles. Octave's jsondecode does not always round them
% correctly, so the arrays are read with sscanf, which does.
% Skipped (exit status 77) when the embedded host has not been built.
  mexhost = getenv('XT_MEXHOST');
  plugin = getenv('XT_MEXHOST_PLUGIN');
  if isempty(mexhost) || isempty(plugin) || ~exist(mexhost, 'file') || ~exist(plugin, 'file')
    printf('skipped: the embedded host or its vextrab.so is not built\n');
    exit(77);
  end
  xt_headless();
  out = tempname();
  mkdir(out);
  cleanup = onCleanup(@() remove_folder(out));
  plugins = {plugin, fullfile(fileparts(plugin), 'vextral.so')};
  statements = {'vextrab(0.1, ''m'', [50 Inf])', 'vextral(0.1, ''m'', [50 Inf])', ...
                'vextrab(0.1, ''m'', ''m'')', 'vextrab(0.2, [0 Inf], [1e3 100])'};
  checks = cell(0, 2);
  for k = 1:numel(statements)
    folder = fullfile(out, sprintf('run%d', k));
    embedded = run_mexhost(mexhost, plugins, statements{k}, folder);
    close all;
    eval([statements{k} ';']);
    for n = 1:2
      [~, lines] = xt_plot_parts(n);
      octave = get(lines, {'xdata', 'ydata'});
      checks(end + 1, :) = {sprintf('%s, figure %d', statements{k}, n), ...
                            @() check_same(octave, embedded{n})};
    end
  end
  xt_checks(checks);
end

% The XData and YData of the lines of figures 1 and 2 as the embedded host wrote
% them, one row per line in the order drawn.
function figures = run_mexhost(mexhost, plugins, statement, folder)
  options = sprintf(' --plugin "%s"', plugins{:});
  command = sprintf('"%s" --no-default-plugins%s --no-pause --formats json --out "%s" "%s" 2>&1', ...
                    mexhost, options, folder, statement);
  [status, output] = system(command);
  assert(status == 0, 'mexhost failed: %s', output);
  figures = cell(1, 2);
  for n = 1:2
    text = fileread(fullfile(folder, sprintf('figure%d.json', n)));
    x = regexp(text, '"XData":\s*\[([^\]]*)\]', 'tokens');
    y = regexp(text, '"YData":\s*\[([^\]]*)\]', 'tokens');
    assert(numel(x) == 2 && numel(y) == 2, 'figure %d: expected two lines', n);
    figures{n} = cellfun(@(t) sscanf(t{1}, '%f,')', [x(:), y(:)], 'UniformOutput', false);
  end
end

function check_same(octave, embedded)
  assert(size(octave), size(embedded));
  for k = 1:numel(octave)
    [line, column] = ind2sub(size(octave), k);
    data = {'XData', 'YData'};
    assert(isequal(octave{k}, embedded{k}), 'line %d, %s: %d samples differ', line, ...
           data{column}, nnz(octave{k} ~= embedded{k}));
  end
end

function remove_folder(folder)
  confirm_recursive_rmdir(false, 'local');
  rmdir(folder, 's');
end
