% After each statement that wrote figures, one line on standard error names them.
% args: --formats PNG,csv --out figs
plot([0 1], [0 1]);
% expect: figures written: figs/figure1 (png, csv)
x = 1;
print(1, '-dsvg', 'kept.svg');
close all
for k = 2:3, figure(k); plot([1 k]); end
% expect: figures written: figs/figure2, figs/figure3 (png, csv)
