function Z = ref_termination(R)
% REF_TERMINATION  Impedance matrix of the two-conductor resistor network
% [R11 R12]: R11 from each signal conductor to ground, R12 between them.
% R must already include the added eps (0 then acts as a short, Inf as open).
%
%   Z = inv([1/R11 + 1/R12, -1/R12; -1/R12, 1/R11 + 1/R12])

  G = [1 ./ R; 1 ./ fliplr(R)];      % [1/R11 1/R12; 1/R12 1/R11]
  yn = sum(G, 2) + diag(G);          % 2/R11 + 1/R12, twice
  Y = -G + diag(yn);                 % nodal admittance matrix
  Z = inv(Y);
end
