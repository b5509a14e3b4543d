function [ax, lines, legendStrings] = xt_plot_parts(fig)
% XT_PLOT_PARTS  The data axes of figure FIG (not its legend), the line objects
% in them in the order they were drawn, and the legend's strings ({} if none).
  ax = findobj(fig, 'type', 'axes', '-not', 'tag', 'legend');
  assert(numel(ax) == 1, 'figure %d: expected one data axes', fig);
  lines = flipud(findobj(get(ax, 'children'), 'flat', 'type', 'line'));
  leg = findobj(fig, 'tag', 'legend');
  legendStrings = {};
  if ~isempty(leg)
    legendStrings = get(leg, 'string');
  end
end
