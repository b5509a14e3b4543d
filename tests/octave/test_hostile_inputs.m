function test_hostile_inputs(rows_file)
% Hostile input in Octave: every row of the shared table (ROWS_FILE, the one
% mexhost runs too) that Octave can run, and the rows of classes that only
% Octave has (sparse, integer, single, struct, function handle). Octave survives
% each row; an error comes exactly when the table expects one (with the table's
% text where it gives one); a "like:" row draws the figures of its full
% counterpart; and after every row vextrab(0.1, 'm', 'm') draws the figures of
% a clean call, in the same session.
  xt_headless();
  vextrab(0.1, 'm', 'm');
  clean = snapshot();
  rows = read_rows(rows_file);
  checks = cell(0, 2);
  for k = 1:numel(rows)
    r = rows(k);
    checks(end + 1, :) = {sprintf('line %d: %s', r.line, shorten(r.statement)), ...
                          @() check_row(r, clean)};
  end
  xt_checks(checks);
end

function check_row(r, clean)
  [failed, message] = run_statement(r.statement);
  clauses = strtrim(strsplit(r.expectation, ' ; '));
  errors = clauses(strncmp(clauses, 'error', 5));
  if isempty(errors) && failed
    error('xt:unexpectedError', 'raised "%s"', message);
  elseif ~isempty(errors)
    if ~failed
      error('xt:noError', 'raised no error; expected %s', errors{1});
    end
    wanted = errors{1};
    if strncmp(wanted, 'error: ', 7) && ~strcmp(message, wanted(8:end))
      error('xt:wrongMessage', 'got     "%s"\n      wanted  "%s"', message, wanted(8:end));
    elseif strncmp(wanted, 'error~ ', 7) && isempty(strfind(message, wanted(8:end)))
      error('xt:wrongMessage', 'got "%s", which does not contain "%s"', message, wanted(8:end));
    end
  end
  like = clauses(strncmp(clauses, 'like: ', 6));
  if ~isempty(like)
    drawn = snapshot();
    [failed, message] = run_statement(like{1}(7:end));
    assert(~failed, 'the full counterpart failed: %s', message);
    assert(isequal(drawn, snapshot()), 'the figures differ from those of %s', like{1}(7:end));
  end
  [failed, message] = run_statement('vextrab(0.1, ''m'', ''m'')');
  assert(~failed, 'the call after the row failed: %s', message);
  assert(isequal(snapshot(), clean), 'the call after the row drew other figures than a clean call');
end

% Runs one statement as typed at the prompt; its printed output is dropped.
function [failed, message] = run_statement(statement)
  failed = false;
  message = '';
  state = warning('off', 'all');
  try
    evalc(statement);
  catch err
    failed = true;
    message = err.message;
  end
  warning(state);
end

% What figures 1 and 2 show: every line's data, the texts and the x-limits.
function s = snapshot()
  s = {};
  for fig = 1:2
    if ~ishghandle(fig)
      s{end + 1} = 'none';
      continue;
    end
    [ax, lines, legendStrings] = xt_plot_parts(fig);
    s{end + 1} = {get(lines, 'xdata'), get(lines, 'ydata'), get(get(ax, 'title'), 'string'), ...
                  get(get(ax, 'xlabel'), 'string'), get(get(ax, 'ylabel'), 'string'), ...
                  get(ax, 'xlim'), legendStrings};
  end
end

function rows = read_rows(rows_file)
  text = fileread(rows_file);
  lines = strsplit(text, "\n");
  rows = struct('line', {}, 'expectation', {}, 'statement', {});
  for k = 1:numel(lines)
    line = strtrim(lines{k});
    if isempty(line) || line(1) == '#'
      continue;
    end
    bars = strfind(line, ' | ');
    assert(numel(bars) >= 2, 'line %d of %s has no three fields', k, rows_file);
    where = strtrim(line(1:bars(1) - 1));
    if ~any(strcmp(where, {'both', 'octave'}))
      continue;
    end
    rows(end + 1) = struct('line', k, ...
                           'expectation', strtrim(line(bars(1) + 3:bars(2) - 1)), ...
                           'statement', expand(strtrim(line(bars(2) + 3:end))));
  end
end

% {{TEXT*N}}: N copies of TEXT.
function s = expand(s)
  [tok, from, to] = regexp(s, '\{\{(.*?)\*(\d+)\}\}', 'tokens', 'start', 'end', 'once');
  while ~isempty(tok)
    s = [s(1:from - 1) repmat(tok{1}, 1, str2double(tok{2})) s(to + 1:end)];
    [tok, from, to] = regexp(s, '\{\{(.*?)\*(\d+)\}\}', 'tokens', 'start', 'end', 'once');
  end
end

function s = shorten(s)
  if numel(s) > 70
    s = [s(1:67) '...'];
  end
end
