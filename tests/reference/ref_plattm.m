function [Ctr, Ltr, Njs] = ref_plattm(b, dd, hh, Nj, diel, hd)
% REF_PLATTM  Per-unit-length C and L of flat strips over a ground strip
% (reference for the computing mode of plattm).
%
%   [Ctr, Ltr] = ref_plattm(b, dd, hh, Nj)
%   [Ctr, Ltr] = ref_plattm(b, dd, hh, Nj, diel, hd)
%   ref_plattm(b, dd, hh)      only the geometry checks; returns [] and []
%
%   b     widths, conductor 1 (the ground strip at height 0, centred at 0)
%         first; N = length(b)
%   dd    centres of conductors 2..N relative to conductor 1 (one value for all)
%   hh    heights of conductors 2..N above conductor 1 (one value for all)
%   Nj    requested total number of sub-strips
%   diel  relative permittivity of a dielectric layer on the ground strip
%   hd    height of its top surface (only the surface is modelled, over
%         the width of conductor 1)
%
%   Ctr is in F/m and Ltr in H/m, (N-1)-by-(N-1), conductor 1 as return.
%   Njs (optional) is the number of sub-strips of each conductor.
%   Lengths are in any common unit.  The strip-charge method, the constants
%   and the order of the operations follow plattm so that rounding agrees.

  % ---- geometry checks and expansions (both modes) ----
  if length(b) > 2
    if length(dd) == 1
      dd = dd * ones(1, length(b) - 1);
    elseif length(dd) ~= length(b) - 1
      error('inmatningsfel antal centrumavstånd');
    end
    if length(hh) == 1
      hh = hh * ones(1, length(b) - 1);
    elseif length(hh) ~= length(b) - 1
      error('inmatningsfel antal höjder');
    end
  end

  if nargin <= 3
    % drawing mode: nothing is computed here
    Ctr = [];
    Ltr = [];
    Njs = [];
    return;
  end

  pi_ = 3.141592653589793;
  eps0 = 8.8541853e-12;
  c0sq = 8.987554305625e16;

  % ---- preparation ----
  hh = [0 hh];
  dd = [0 dd];
  Nj = round(b / sum(b) * Nj) + 2;     % Octave round: halves away from zero
  Njs = Nj;
  a = b ./ Nj;
  N = length(b);
  S = sum(Nj);

  withdiel = false;
  if nargin >= 5 && diel ~= 1
    withdiel = true;
    Nd = Nj(1);
    D12 = zeros(S, Nd);
    D21 = D12';
    D22 = zeros(Nd, Nj(1));
    bd = b(1);
    ad = bd / Nd;
  end
  if nargin == 4
    diel = 1;
    hd = 0;
  end
  diek = (hh < hd) * (diel - 1) + 1;

  % first index of each conductor's block of strips
  first = cumsum([1 Nj(1:end-1)]);
  blk = @(j) first(j) : first(j) + Nj(j) - 1;

  % ---- potential coefficients between all strips ----
  Dtot = zeros(S, S);
  for i = 1:N
    ni = Nj(i);
    % self block: symmetric Toeplitz
    Dj = eye(ni, ni) * (a(i) * (log(a(i)/2) - 1));
    if ni > 1
      x = 1:ni-1;
      x = a(i) * ((x + 0.5) .* log(x*a(i) + a(i)/2) ...
                  - (x - 0.5) .* log(x*a(i) - a(i)/2) - 1);
      for r = 1:ni
        for c = 1:ni
          if r ~= c
            Dj(r, c) = x(abs(r - c));
          end
        end
      end
    end
    Dtot(blk(i), blk(i)) = -Dj;

    for k = i+1:N
      nk = Nj(k);
      d = -dd(i) + dd(k);
      h = -hh(i) + hh(k);
      % xxd(m,q) = centre of strip q of conductor k - centre of strip m of i
      xxd = zeros(ni, nk);
      for m = 1:ni
        for q = 1:nk
          xxd(m, q) = ((q - 0.5)*a(k) - (m - 0.5)*a(i)) + d + (b(i) - b(k))/2;
        end
      end
      zf = (h == 0);
      x12 = 0.5 * (strip_G(xxd - a(k)/2, h, zf) - strip_G(xxd + a(k)/2, h, zf));
      x21 = (0.5 * (strip_G(xxd - a(i)/2, h, zf) - strip_G(xxd + a(i)/2, h, zf)))';
      Dtot(blk(i), blk(k)) = x12;
      Dtot(blk(k), blk(i)) = x21;

      if i == 1 && withdiel
        % coupling between conductor k and the dielectric surface
        h = hd - h;
        xxd = zeros(Nd, nk);
        for m = 1:Nd
          for q = 1:nk
            xxd(m, q) = ((q - 0.5)*a(k) - (m - 0.5)*ad) + d + (bd - b(k))/2;
          end
        end
        x12 = (0.5 * (strip_G(xxd - ad/2, h, false) - strip_G(xxd + ad/2, h, false)))';
        x21 = diek(k) * (atan((xxd + a(k)/2) / h) - atan((xxd - a(k)/2) / h));
        D12(blk(k), :) = x12;
        D21(:, blk(k)) = x21;
      end
    end

    if i == 1 && withdiel
      % the surface itself and its coupling to conductor 1
      D22 = eye(Nd, Nd) * 2 * pi_ * diel / (1 - diel);
      xxd = zeros(Nd, Nj(1));
      for m = 1:Nd
        for q = 1:Nj(1)
          xxd(m, q) = (q - 0.5)*a(1) - (m - 0.5)*ad;
        end
      end
      x12 = (0.5 * (strip_G(xxd - ad/2, hd, false) - strip_G(xxd + ad/2, hd, false)))';
      x21 = diek(1) * (atan((xxd + a(1)/2) / hd) - atan((xxd - a(1)/2) / hd));
      D12(1:Nd, :) = x12;
      D21(:, 1:Nd) = x21;
    end
  end

  % ---- eliminate the surface charges and invert ----
  if ~withdiel
    Dtot = inv(Dtot);
  else
    DC = inv(D22) * D21;
    Dtot = inv(Dtot - D12 * DC);
  end

  % ---- conductor capacitances (potentials from infinity) ----
  C = zeros(N, N);
  for i = 1:N
    C(i, i) = a(i) * diek(i) * sum(sum(Dtot(blk(i), blk(i))));
    for k = i+1:N
      C(i, k) = a(i) * diek(i) * sum(sum(Dtot(blk(i), blk(k))));
      C(k, i) = a(k) * diek(k) * sum(sum(Dtot(blk(k), blk(i))));
    end
  end
  C = C * 2 * pi_ * eps0;

  % ---- conductor 1 as reference ----
  n = size(C, 2);
  incap = 2:n;
  ct = sum(C')' * sum(C);
  Ctr = C(incap, incap) - ct(incap, incap) / sum(C(:));
  Ltr = inv(C(incap, incap) - ct(incap, incap) / sum(C(:))) / c0sq;
end

function g = strip_G(u, h, zeroform)
% Strip integral G(u; h); 0.5*(G(u-w/2) - G(u+w/2)) is the potential (without
% 1/(2 pi eps0)) of a uniform unit charge density on a strip of width w.
  if zeroform
    g = u .* log(u .^ 2) - 2*u;
  else
    g = u .* log(u .^ 2 + h^2) - 2*u + 2*h*atan(u / h);
  end
end
