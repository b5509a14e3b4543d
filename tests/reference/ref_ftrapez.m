function y = ref_ftrapez(f, tpl, t1, t2)
% REF_FTRAPEZ  Closed-form Fourier transform of a trapezoidal pulse (reference).
%
%   y = ref_ftrapez(f, tpl, t1, t2)
%
%   f    frequencies in Hz (row or column; any array is read column-wise)
%   tpl  width between the 50 % points of the two edges, s
%   t1   rise time, s (0 allowed: replaced by eps)
%   t2   fall time, s (0 allowed: replaced by eps)
%
%   Pulse: amplitude A = 1, rising edge starting at td = 0.  Transform
%   convention Y(f) = int x(t) exp(-j 2 pi f t) dt.  The result has the
%   orientation of f.  The constants and the order of the operations are
%   kept as in the plug-in so that the rounding agrees.

  twopi = 6.283185307179586;
  pi_ = 3.141592653589793;
  ep = 2.220446049250313e-16;

  td = 0;
  sf = size(f);
  f = f(:);
  nf = length(f);

  tpl = tpl(:).';
  t1 = t1(:).';
  t1(t1 == 0) = ep;
  t2 = t2(:).';
  t2(t2 == 0) = ep;
  td = td(:).';

  A = 1;

  % common factor j*A/(2*pi^2*f^2), written as 2j/(2*pi*f)^2
  P = ((1 ./ ((twopi * f) .^ 2)) * 2) * (0 + 1i) * A;
  % delay to the middle of the rising edge
  P = P .* exp(((0 - pi_*1i) * f) * (t1 + 2*td));
  % rising edge
  K = -sin((pi_ * f) * t1) ./ (ones(nf, 1) * t1);
  % falling edge, tpl after the rising one
  R = exp(((0 - twopi*1i) * f) * tpl) .* sin((pi_ * f) * t2);
  R = R ./ (ones(nf, 1) * t2);
  y = P .* (K + R);

  if sf(2) == nf
    y = y.';
  end
end
