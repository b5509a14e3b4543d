function [VNE, VFE] = ref_mtlfd(f, xL, VS, ZS, VL, ZL, C, L)
% REF_MTLFD  Terminal voltages of a lossless multiconductor line (reference).
%
%   [VNE, VFE] = ref_mtlfd(f, xL, VS, ZS, VL, ZL, C, L)
%
%   f       frequencies in Hz (nf values, none exactly 0)
%   xL      line length, m
%   VS, VL  near-/far-end Thevenin sources: nc-by-1 (all frequencies),
%           nc-by-nf (column k at f(k)) or nc-by-1-by-nf (page k at f(k))
%   ZS, ZL  near-/far-end impedance matrices: nc-by-nc (all frequencies),
%           scalar (times identity), nc-by-nf when nc ~= nf (column k is the
%           diagonal at f(k)) or nc-by-nc-by-nf (page k at f(k))
%   C, L    per-unit-length capacitance and inductance matrices, nc-by-nc
%
%   VNE, VFE  nf-by-nc near-end (z = 0) and far-end (z = xL) voltages.
%
%   Modal solution: Y*Z = T*diag(gam.^2)*inv(T), V(z) = Zz*(e^-gz Ip + e^gz Im),
%   I(z) = T*(e^-gz Ip - e^gz Im), Zz = Z*T*diag(1./gam); the terminal
%   conditions V(0) = VS - ZS*I(0), V(xL) = VL + ZL*I(xL) fix Ip and Im.

  nf = length(f);
  nc = size(C, 1);

  jw = (6.283185307179586 * 1i) * f(:)';
  Z = reshape(L(:) * jw, nc, nc, nf);
  Y = reshape(C(:) * jw, nc, nc, nf);

  VNE = zeros(nf, nc);
  VFE = zeros(nf, nc);

  % an nc-by-nf source becomes nc-by-1-by-nf
  if size(VS, 2) == nf
    VS = permute(VS, [1 3 2]);
  end
  if size(VL, 2) == nf
    VL = permute(VL, [1 3 2]);
  end
  if size(VS, 3) == 1
    VSS = VS;
  end
  if size(VL, 3) == 1
    VLL = VL;
  end

  for k = 1:nf
    SCR = Y(:, :, k) * Z(:, :, k);
    [T, GAM] = eig(SCR);
    GAM = sqrt(diag(GAM));            % propagation constants
    EP = exp(GAM * xL);
    EN = exp(-GAM * xL);
    GAM = 1 ./ GAM;

    % modal characteristic impedance: column m of Z*T divided by gam(m)
    SCR = Z(:, :, k) * T;
    Zz = zeros(nc, nc);
    for m = 1:nc
      Zz(:, m) = SCR(:, m) * GAM(m);
    end

    ZST = termination_times_T(ZS, T, k, nc, nf);
    ZLT = termination_times_T(ZL, T, k, nc, nf);

    A11 = Zz + ZST;
    A12 = Zz - ZST;
    A21 = Zz - ZLT;
    A22 = Zz + ZLT;
    for m = 1:nc
      A21(:, m) = A21(:, m) * EN(m);
      A22(:, m) = A22(:, m) * EP(m);
    end
    A = [A11 A12; A21 A22];

    if size(VS, 3) > 1
      VSS = VS(:, :, k);
    end
    if size(VL, 3) > 1
      VLL = VL(:, :, k);
    end

    B = A \ [VSS; VLL];
    Ip = B(1:nc);
    Im = B(nc+1:2*nc);
    Ip = Ip(:);
    Im = Im(:);

    % row k: Zz*(Ip + Im) and Zz*(EN.*Ip + EP.*Im), summed in ascending j
    wn = Ip + Im;
    wf = EN .* Ip + EP .* Im;
    for r = 1:nc
      sn = 0;
      sf = 0;
      for j = 1:nc
        sn = sn + Zz(r, j) * wn(j);
        sf = sf + Zz(r, j) * wf(j);
      end
      VNE(k, r) = sn;
      VFE(k, r) = sf;
    end
  end
end

function ZT = termination_times_T(Zt, T, k, nc, nf)
% Termination impedance at frequency index k, multiplied by T.
  if size(Zt, 3) > 1
    ZT = Zt(:, :, k) * T;
  elseif nc ~= nf && size(Zt, 2) == nf
    ZT = diag(Zt(:, k)) * T;
  else
    ZT = Zt * T;
  end
end
