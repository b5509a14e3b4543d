% Crosstalk against height: one PNG of the victim conductor per height, and the
% peak crosstalk at each end as a table. Run from the repository root:
%   mkdir -p sweep && build-release/mexhost/mexhost --quiet docs/sweep.m
hs = [0.05 0.1 0.2 0.4];
fprintf('    hh   far end [mV]  near end [mV]\n');
for k = 1:numel(hs)
  vextrab(hs(k), 'm', [50 Inf]);
  lines = get(gca, 'Children');          % figure 2's lines, newest first
  far = get(lines(2), 'YData');
  near = get(lines(1), 'YData');
  fprintf('%6.2f %13.2f %14.2f\n', hs(k), max(abs(far)), max(abs(near)));
  print(2, '-dpng', sprintf('sweep/victim-%g.png', hs(k)));
end
close all
