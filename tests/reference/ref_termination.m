function Z = ref_termination(R)
% REF_TERMINATION  Impedance matrix of the two-conductor resistor network
% [R11 R12]: R11 from each signal conductor to ground, R12 between them.
% R must already include the added eps (0 then acts as a short, Inf as open).
%
%   Z = inv([1/R11 + 1/R12, -1/R12; -1/R12, 1/R11 + 1/R12])
%
% A short between the conductors (R12 = eps) makes 1/R12 swamp 1/R11 in the
% diagonal, and the matrix is singular (or nearly) in floating point although
% the network (both conductors tied, R11/2 to ground) is not. Where inv would
% warn (rcond below eps) and the network is passive with a path to ground, the
% inverse is taken in closed form, with the determinant as g11*(g11 + 2*g12),
% which keeps g11.

  G = [1 ./ R; 1 ./ fliplr(R)];      % [1/R11 1/R12; 1/R12 1/R11]
  yn = sum(G, 2) + diag(G);          % 2/R11 + 1/R12, twice
  Y = -G + diag(yn);                 % nodal admittance matrix
  g11 = G(1, 1);
  g12 = G(1, 2);
  d = g11 * (g11 + 2 * g12);
  if isreal(R) && g11 > 0 && g12 > 0 && isfinite(g11) && isfinite(g12) && rcond(Y) < eps ...
     && d > 0 && isfinite(d)
    Z = [g11 + g12, g12; g12, g11 + g12] / d;
  else
    Z = inv(Y);
  end
end
