function [ct, lt, VNE, VFE, vf, vn, v0, t, f] = ref_driver_compute(hh, Rs1112, Rl1112)
% REF_DRIVER_COMPUTE  The numerical part of a simulation-mode run (no graphics).
%
%   [ct, lt, VNE, VFE, vf, vn, v0, t, f] = ref_driver_compute(hh, Rs1112, Rl1112)
%
%   hh      height of the two signal conductors (scalar or 1-by-2)
%   Rs1112  source-end termination: a string (matched) or [R11 R12] in ohms
%   Rl1112  load-end termination, as Rs1112
%
%   Line: ground strip of width 1, strips of width 0.2 centred at -0.2 and
%   0.2, 0.1 m long, air.  1 V trapezoid (10 ns, 0.5 ns edges) on
%   conductor 1 at the source end; 4096 samples over 25 ns.

  ep = 2.220446049250313e-16;

  nt = 4096;
  tmax = 2.5e-08;
  % 0 : tmax/(nt-1) : tmax, each half counted from its own end so that
  % the first sample is exactly 0 and the last exactly tmax
  dt = tmax / (nt - 1);
  t = zeros(1, nt);
  for k = 0:nt-1
    if k <= (nt - 1) / 2
      t(k + 1) = k * dt;
    else
      t(k + 1) = tmax - (nt - 1 - k) * dt;
    end
  end
  f = [ep, 1:1:nt/2] / tmax;
  v0 = ref_ftrapez(f, 1e-08, 5e-10, 5e-10);
  b = [1 0.2 0.2];
  dd = [-0.2 0.2];
  Nj = 200;

  [ct, lt] = ref_plattm(b, dd, hh, Nj);
  Zc = 300000000 * lt;

  % terminations: a string means matched
  if ischar(Rs1112) && ischar(Rl1112)
    Zs = Zc;
    Zl = Zc;
  elseif ischar(Rs1112)
    Zs = Zc;
    Rl1112 = Rl1112 + ep;
    Zl = ref_termination(Rl1112);
  elseif ischar(Rl1112)
    Zl = Zc;
    Rs1112 = Rs1112 + ep;
    Zs = ref_termination(Rs1112);
  else
    Rl1112 = Rl1112 + ep;
    Rs1112 = Rs1112 + ep;
    Zl = ref_termination(Rl1112);
    Zs = ref_termination(Rs1112);
  end

  % source on conductor 1 only, one 2-by-1 page per frequency
  VS = [1; 0] * v0;
  VS = permute(VS, [1 3 2]);
  VL = [0; 0];
  Lgd = 0.1;

  [VNE, VFE] = ref_mtlfd(f, Lgd, VS, Zs, VL, Zl, ct, lt);

  vf = ref_iffts(VFE, tmax);
  vn = ref_iffts(VNE, tmax);
end
