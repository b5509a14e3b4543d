function [Ctr, Ltr] = octave_plattm(b, dd, hh, Nj)
% OCTAVE_PLATTM  plattm's computing mode for strips in air, written the way the
% host language is meant to be written: whole-array expressions for the
% potential matrix, toeplitz for each strip's self block, one inv() through the
% BLAS and LAPACK Octave is linked with. It is the peer of the compiled plattm in
% bench/run.sh; tests/reference/ref_plattm.m computes the same numbers with
% scalar loops in plattm's order of operations, so that rounding agrees, and is
% mostly interpreter time.
%
%   [Ctr, Ltr] = octave_plattm(b, dd, hh, Nj)
%
%   b   widths, conductor 1 (the ground strip at height 0, centred at 0) first
%   dd  centres of conductors 2..N relative to conductor 1 (one value for all)
%   hh  heights of conductors 2..N above conductor 1 (one value for all)
%   Nj  requested total number of sub-strips
%   Ctr in F/m and Ltr in H/m, (N-1)-by-(N-1), conductor 1 as return.

  eps0 = 8.8541853e-12;
  c0sq = 8.987554305625e16;

  N = length(b);
  if length(dd) == 1, dd = dd * ones(1, N - 1); end
  if length(hh) == 1, hh = hh * ones(1, N - 1); end
  hh = [0 hh];
  dd = [0 dd];
  Nj = round(b / sum(b) * Nj) + 2;
  a = b ./ Nj;
  S = sum(Nj);
  last = cumsum(Nj);
  first = last - Nj + 1;

  D = zeros(S, S);
  for i = 1:N
    rows = first(i):last(i);
    x = 1:Nj(i) - 1;
    off = a(i) * ((x + 0.5) .* log(x * a(i) + a(i) / 2) ...
                  - (x - 0.5) .* log(x * a(i) - a(i) / 2) - 1);
    D(rows, rows) = -toeplitz([a(i) * (log(a(i) / 2) - 1), off]);
    for k = i + 1:N
      cols = first(k):last(k);
      d = dd(k) - dd(i);
      h = hh(k) - hh(i);
      % centre of strip q of conductor k minus centre of strip m of conductor i
      xxd = ((1:Nj(k)) - 0.5) * a(k) - ((1:Nj(i))' - 0.5) * a(i) + d + (b(i) - b(k)) / 2;
      D(rows, cols) = 0.5 * (strip_G(xxd - a(k) / 2, h) - strip_G(xxd + a(k) / 2, h));
      D(cols, rows) = 0.5 * (strip_G(xxd - a(i) / 2, h) - strip_G(xxd + a(i) / 2, h))';
    end
  end
  D = inv(D);

  C = zeros(N, N);
  for i = 1:N
    for k = 1:N
      C(i, k) = a(i) * sum(sum(D(first(i):last(i), first(k):last(k))));
    end
  end
  C = C * 2 * pi * eps0;

  incap = 2:N;
  ct = sum(C')' * sum(C);
  Ctr = C(incap, incap) - ct(incap, incap) / sum(C(:));
  Ltr = inv(Ctr) / c0sq;
end

function g = strip_G(u, h)
% 0.5*(G(u - w/2) - G(u + w/2)) is the potential (without 1/(2 pi eps0)) of a
% uniform unit charge density on a strip of width w, at horizontal distance u and
% height h.
  if h == 0
    g = u .* log(u .^ 2) - 2 * u;
  else
    g = u .* log(u .^ 2 + h ^ 2) - 2 * u + 2 * h * atan(u / h);
  end
end
