function text = xt_help_text(name)
% XT_HELP_TEXT  The help of NAME as written in docs/help (vextral shares
% vextrab's text under its own name), which `help NAME` shows in both hosts.
  folder = fullfile(fileparts(mfilename('fullpath')), '..', '..', 'docs', 'help');
  if strcmp(name, 'vextral')
    text = strrep(fileread(fullfile(folder, 'vextrab.txt')), 'vextrab', 'vextral');
  else
    text = fileread(fullfile(folder, [name '.txt']));
  end
end
