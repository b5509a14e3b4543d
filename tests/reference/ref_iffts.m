function vt = ref_iffts(supv, tmax)
% REF_IFFTS  One-sided Fourier transforms to real time signals (reference).
%
%   vt = ref_iffts(supv, tmax)
%
%   supv  one-sided transforms, frequency (r-1)/tmax in row r (r = 1..M, row M
%         the Nyquist frequency): M-by-n, or 1-by-n-by-M, or n-by-1-by-M
%   tmax  length of the time window, s
%
%   vt    N-by-n real, N = 2*(M-1): row j is the signal at (j-1)*tmax/N,
%         vt = real((N/tmax) * ifft(conjugate-symmetric extension)).

  ssv = size(supv);
  if length(ssv) == 3
    if ssv(1) == 1
      supv = permute(supv, [3 2 1]);
    elseif ssv(2) == 1
      supv = permute(supv, [3 1 2]);
    end
  end

  [M, ~] = size(supv);

  % Nyquist row real, then mirror rows 2..M-1 conjugated below it
  supv(M, :) = real(supv(M, :));
  for j = 1:M-2
    supv(M + j, :) = conj(supv(M - j, :));
  end

  yt = ifft(supv) * 2 * (M - 1) / tmax;
  vt = real(yt);
end
