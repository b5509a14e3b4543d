function xt_headless()
% XT_HEADLESS  Graphics without a screen: Octave's gnuplot toolkit with a
% terminal that draws nothing. Figures keep every property, are read back with
% get and written to files with print. Closes every figure.
  warning('off', 'Octave:gnuplot-graphics');
  setenv('GNUTERM', 'unknown');
  graphics_toolkit('gnuplot');
  close all;
end
