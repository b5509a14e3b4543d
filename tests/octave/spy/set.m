function varargout = set(varargin)
% SET  Stands in for Octave's set while a test runs: records the calls that do
% not come from Octave's own functions (those of the plug-ins, in order) in the
% global xt_set_calls, and passes every call on unchanged.
  global xt_set_calls
  stack = dbstack('-completenames');
  octaveFiles = fullfile(OCTAVE_HOME, 'share', 'octave');
  if numel(stack) < 2 || ~strncmp(stack(2).file, octaveFiles, numel(octaveFiles))
    xt_set_calls{end + 1} = varargin;
  end
  [varargout{1:nargout}] = builtin('set', varargin{:});
end
