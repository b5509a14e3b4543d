function drawnow(varargin)
% DRAWNOW  Stands in for Octave's drawnow while a test runs: fails with a fixed
% error while the global xt_fail_drawnow is true, otherwise passes the call on.
  global xt_fail_drawnow
  if ~isempty(xt_fail_drawnow) && xt_fail_drawnow
    error('Octave:xt-injected', 'drawnow: cannot draw "%s" (injected)', 'figure 1');
  end
  builtin('drawnow', varargin{:});
end
