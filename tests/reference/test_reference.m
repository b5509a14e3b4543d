function ok = test_reference()
% TEST_REFERENCE  Self-checks of the reference functions against physics,
% closed forms and independent numerical methods (quadrature of the pulse,
% a chain-matrix line solution, a direct DFT sum).  Prints one line per
% check and raises an error if any check fails.
%
%   octave-cli --no-gui -q --eval "addpath('<dir>'); test_reference"

  global ref_fails ref_count
  ref_fails = {};
  ref_count = 0;

  group_ftrapez();
  group_plattm_checks();
  group_plattm_values();
  group_mtlfd();
  group_iffts();
  group_driver();

  printf('\n%d checks, %d failed\n', ref_count, numel(ref_fails));
  ok = isempty(ref_fails);
  if ~ok
    error('test_reference: failed: %s', strjoin(ref_fails, ', '));
  end
  if nargout == 0
    clear ok;
  end
end

% ======================================================================
function check(name, cond, detail)
  global ref_fails ref_count
  ref_count = ref_count + 1;
  if nargin < 3
    detail = '';
  end
  if cond
    printf('  ok    %s\n', name);
  else
    printf('  FAIL  %s %s\n', name, detail);
    ref_fails{end+1} = name;
  end
end

function r = relerr(a, b)
% normwise relative difference, relative to the larger of the two
  s = max(max(abs(a(:))), max(abs(b(:))));
  if s == 0
    r = 0;
  else
    r = max(abs(a(:) - b(:))) / s;
  end
end

function expect_error(name, fun, msg)
  try
    fun();
    check(name, false, '(no error raised)');
  catch err
    if isempty(msg)
      check(name, true);
    else
      check(name, strcmp(err.message, msg), ['(got "' err.message '")']);
    end
  end
end

% ======================================================================
function group_ftrapez()
  printf('pulse transform\n');
  tmax = 2.5e-08;
  f = [eps, 1:2048] / tmax;
  y = ref_ftrapez(f, 1e-08, 5e-10, 5e-10);
  check('driver grid gives 1-by-2049 complex row', isequal(size(y), [1 2049]) && iscomplex(y));
  check('lowest frequency gives the pulse area tpl', abs(y(1) - 1e-08) < 1e-20, sprintf('%.17g', y(1)));
  y1 = ref_ftrapez(1e8, 1e-08, 5e-10, 5e-10);
  check('zero at f = 1/tpl for equal edges', abs(y1) < 1e-14 * 1e-08, sprintf('%g', abs(y1)));

  fc = (1:5)' * 1e7;
  yc = ref_ftrapez(fc, 1e-08, 5e-10, 5e-10);
  yr = ref_ftrapez(fc.', 1e-08, 5e-10, 5e-10);
  check('column in, column out', isequal(size(yc), [5 1]));
  check('row and column give the same values', isequal(yc.', yr));
  check('scalar in, scalar out', isscalar(ref_ftrapez(3e7, 1e-08, 5e-10, 5e-10)));

  yn = ref_ftrapez([-3e7 3e7], 1e-08, 5e-10, 5e-10);
  check('negative frequency gives the conjugate', abs(yn(1) - conj(yn(2))) <= 1e-15 * abs(yn(2)));

  y0 = ref_ftrapez(1e6 * [1 2 3], 1e-08, 0, 5e-10);
  check('zero rise time stays finite', all(isfinite(y0)));

  % independent: quadrature of the trapezoid, asymmetric edges so that a
  % swap of rise and fall would show
  tpl = 1e-08; t1 = 2e-10; t2 = 7e-10;
  fq = [1e6 3.3e7 1e8 7.7e8 2.5e9];
  yq = zeros(size(fq));
  for k = 1:numel(fq)
    yq(k) = quad_trapezoid(fq(k), tpl, t1, t2);
  end
  ya = ref_ftrapez(fq, tpl, t1, t2);
  check('asymmetric edges agree with quadrature', relerr(ya, yq) < 1e-9, sprintf('%g', relerr(ya, yq)));
  % a zero rise time stands for a rise of eps seconds; at 2e7 Hz the
  % resulting shift of the falling edge (pi*f*eps = 1.4e-8 rad) shows
  yq0 = quad_trapezoid(2e7, tpl, eps, t2);
  ya0 = ref_ftrapez(2e7, tpl, 0, t2);
  check('step rise agrees with quadrature', abs(ya0 - yq0) < 1e-10 * abs(yq0), sprintf('%g', abs(ya0 - yq0) / abs(yq0)));
end

function y = quad_trapezoid(f, tpl, t1, t2)
% Fourier integral of the trapezoid (edge midpoints tpl apart) by
% composite 10-point Gauss-Legendre quadrature on each linear piece,
% time in nanoseconds.
  s = 1e9;
  w = 2*pi*f / s;                   % rad per ns
  r = t1 * s; p = tpl * s; q = t2 * s;
  tf0 = r/2 + p - q/2;              % start of the falling edge, ns
  pieces = {};
  if r > 0
    pieces{end+1} = {0, r, @(t) t / r};
  end
  pieces{end+1} = {r, tf0, @(t) ones(size(t))};
  pieces{end+1} = {tf0, tf0 + q, @(t) 1 - (t - tf0) / q};
  % Golub-Welsch nodes and weights on [-1, 1]
  n = 10;
  beta = (1:n-1) ./ sqrt(4*(1:n-1).^2 - 1);
  [V, D] = eig(diag(beta, 1) + diag(beta, -1));
  [xg, o] = sort(diag(D));
  wg = 2 * V(1, o)'.^2;
  y = 0;
  for k = 1:numel(pieces)
    [a, b, x] = pieces{k}{:};
    np = 400;
    edges = a + (b - a) * (0:np) / np;
    for m = 1:np
      h = (edges(m+1) - edges(m)) / 2;
      t = edges(m) + h * (xg + 1);
      y = y + h * sum(wg .* x(t) .* exp(-1i * w * t));
    end
  end
  y = y / s;
end

% ======================================================================
function group_plattm_checks()
  printf('geometry checks\n');
  b3 = [1 0.2 0.2];
  expect_error('three heights for two strips (computing)', ...
               @() ref_plattm(b3, [-0.2 0.2], [0.1 0.1 0.1], 50), 'inmatningsfel antal höjder');
  expect_error('three heights for two strips (drawing)', ...
               @() ref_plattm(b3, [-0.2 0.2], [0.1 0.1 0.1]), 'inmatningsfel antal höjder');
  expect_error('centres tested before heights', ...
               @() ref_plattm(b3, [-0.2 0 0.2], [0.1 0.1 0.1], 50), 'inmatningsfel antal centrumavstånd');
  expect_error('empty centre list rejected', ...
               @() ref_plattm(b3, [], 0.1, 50), 'inmatningsfel antal centrumavstånd');
  expect_error('dielectric without surface height', ...
               @() ref_plattm(b3, [-0.2 0.2], 0.1, 50, 4), '');
  try
    [c, l] = ref_plattm([1 0.2], [0.1 0.2], 0.1);
    check('two conductors are not checked', isempty(c) && isempty(l));
  catch err
    check('two conductors are not checked', false, err.message);
  end

  [c1, l1] = ref_plattm(b3, 0.05, [0.1 0.2], 60);
  [c2, l2] = ref_plattm(b3, [0.05 0.05], [0.1 0.2], 60);
  check('one centre is expanded', isequal(c1, c2) && isequal(l1, l2));
  [c1, l1] = ref_plattm(b3, [-0.2 0.2], 0.1, 60);
  [c2, l2] = ref_plattm(b3, [-0.2 0.2], [0.1 0.1], 60);
  check('one height is expanded', isequal(c1, c2) && isequal(l1, l2));

  [~, ~, n] = ref_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200);
  check('strips shared out by width: [145 31 31]', isequal(n, [145 31 31]));
  [~, ~, n] = ref_plattm([2 1 1], [-0.6 0.6], 0.25, 10);
  check('strip counts round halves away from zero', isequal(n, [7 5 5]));
  [~, ~, n] = ref_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 0);
  check('no strips requested still gives 2 per conductor', isequal(n, [2 2 2]));

  [c, l] = ref_plattm(1, [], [], 10);
  check('ground strip alone gives empty matrices', isempty(c) && isempty(l));
end

function group_plattm_values()
  printf('line parameters\n');
  b3 = [1 0.2 0.2];
  d3 = [-0.2 0.2];
  c0sq = 8.987554305625e16;

  [C, L] = ref_plattm(b3, d3, 0.1, 200);
  check('driver geometry gives 2-by-2', isequal(size(C), [2 2]) && isequal(size(L), [2 2]));
  check('mirror symmetry: equal diagonal of C', abs(C(1,1) - C(2,2)) < 1e-12 * C(1,1));
  check('mirror symmetry: equal diagonal of L', abs(L(1,1) - L(2,2)) < 1e-12 * L(1,1));
  check('C nearly symmetric', abs(C(1,2) - C(2,1)) < 1e-10 * C(1,1));
  check('C*L = I/c^2 in air', norm(C*L*c0sq - eye(2)) < 1e-12);
  check('signs: C12 < 0 < C11, L12 > 0', C(1,2) < 0 && C(1,1) > 0 && L(1,2) > 0);
  check('C positive definite', all(eig((C + C')/2) > 0));

  % lower strips couple less and have more capacitance
  [Clo, ~] = ref_plattm(b3, d3, 0.05, 200);
  [Chi, ~] = ref_plattm(b3, d3, 0.3, 200);
  check('capacitance falls with height', Clo(1,1) > C(1,1) && C(1,1) > Chi(1,1));
  check('relative coupling rises with height', ...
        -Clo(1,2)/Clo(1,1) < -C(1,2)/C(1,1) && -C(1,2)/C(1,1) < -Chi(1,2)/Chi(1,1));

  % a single wide, low strip against the closed form for a microstrip in
  % air, w/h = 10: Z0 = 120*pi/(w/h + 1.393 + 0.667*log(w/h + 1.444))
  [Cm, Lm] = ref_plattm([1 0.2], 0, 0.02, 300);
  wh = 10;
  Cref = (wh + 1.393 + 0.667*log(wh + 1.444)) / (120*pi) / 2.997925e8;
  check('wide microstrip within 3 % of the closed form', abs(Cm/Cref - 1) < 0.03, ...
        sprintf('ratio %.4f', Cm/Cref));
  check('single strip: L*C = 1/c^2', abs(Lm*Cm*c0sq - 1) < 1e-13);

  % a change of length unit changes nothing
  [Cs, Ls] = ref_plattm(2.5*b3, 2.5*d3, 0.25, 200);
  check('scaling all lengths leaves C unchanged', relerr(Cs, C) < 1e-10, sprintf('%g', relerr(Cs, C)));
  check('scaling all lengths leaves L unchanged', relerr(Ls, L) < 1e-10);
  [Cd, Ld] = ref_plattm(b3, d3, 0.1, 100, 4, 0.2);
  [Cds, Lds] = ref_plattm(2.5*b3, 2.5*d3, 0.25, 100, 4, 0.5);
  check('scaling with a dielectric leaves C unchanged', relerr(Cds, Cd) < 1e-10, sprintf('%g', relerr(Cds, Cd)));
  check('scaling with a dielectric leaves L unchanged', relerr(Lds, Ld) < 1e-10);

  % dielectric
  [Ca, La] = ref_plattm(b3, d3, 0.1, 100);
  [C1, L1] = ref_plattm(b3, d3, 0.1, 100, 1, 0.05);
  check('diel = 1 is the same as no dielectric', isequal(C1, Ca) && isequal(L1, La));
  [Cb, Lb] = ref_plattm(b3, d3, 0.1, 100, 4, 0.05);
  check('dielectric raises C: air < below < above < 4*air', ...
        Ca(1,1) < Cb(1,1) && Cb(1,1) < Cd(1,1) && Cd(1,1) < 4*Ca(1,1), ...
        sprintf('%g %g %g', Ca(1,1), Cb(1,1), Cd(1,1)));
  check('L with a dielectric is inv(C)/c^2 of that C', relerr(Lb, inv(Cb)/c0sq) < 1e-14 && ...
        relerr(Ld, inv(Cd)/c0sq) < 1e-14);
  check('symmetric geometry with dielectric: equal diagonal', abs(Cb(1,1) - Cb(2,2)) < 1e-11 * Cb(1,1));

  % more strips: results converge
  [C400, ~] = ref_plattm(b3, d3, 0.1, 400);
  check('refinement 200 -> 400 strips changes C by < 1 %', relerr(C400, C) < 0.01, sprintf('%g', relerr(C400, C)));

  % unequal heights use the general mutual term; swapping the two strips
  % (mirror image) must permute the matrix
  [Cu, ~] = ref_plattm(b3, d3, [0.1 0.15], 200);
  [Cv, ~] = ref_plattm(b3, d3, [0.15 0.1], 200);
  check('mirror of unequal heights permutes C', relerr(Cu, Cv([2 1], [2 1])) < 1e-12, ...
        sprintf('%g', relerr(Cu, Cv([2 1], [2 1]))));
  % stacked strips at the same centre, equal heights would touch: take
  % slightly different heights and check the mutual term is strong
  [Ct, ~] = ref_plattm(b3, 0, [0.1 0.11], 200);
  check('nearly touching stacked strips couple strongly', -Ct(1,2) > 0.5*Ct(1,1));

  [C4, L4] = ref_plattm([1 0.2 0.2 0.2], [-0.3 0 0.3], 0.1, 120);
  check('four conductors: outer strips alike', abs(C4(1,1) - C4(3,3)) < 1e-12*C4(1,1));
  check('four conductors: C*L = I/c^2', norm(C4*L4*c0sq - eye(3)) < 1e-12);
end

% ======================================================================
function group_mtlfd()
  printf('line solver\n');
  C = [1e-10 -2e-11; -2e-11 1.2e-10];
  L = [3e-7 6e-8; 6e-8 2.5e-7];
  f = [1e6 5e7 2e8];
  xL = 0.1;

  [N1, F1] = ref_mtlfd(f, xL, [1; 0.5], 50, [0; 0.25], 100, C, L);
  [N2, F2] = chain_solution(f, xL, [1; 0.5], 50*eye(2), [0; 0.25], 100*eye(2), C, L);
  check('scalar terminations agree with the chain-matrix solution', ...
        relerr(N1, N2) < 1e-10 && relerr(F1, F2) < 1e-10, sprintf('%g %g', relerr(N1, N2), relerr(F1, F2)));

  VS = [1 2 3; 0.5 -1 0.25];
  ZS = [50 60 70; 80 90 100];
  VL = [0 0.1 0; 0 0 0.2];
  ZL = [100 110 120; 130 140 150];
  [Nm, Fm] = ref_mtlfd(f, xL, VS, ZS, VL, ZL, C, L);
  ZSp = zeros(2, 2, 3); ZLp = ZSp;
  for k = 1:3
    ZSp(:, :, k) = diag(ZS(:, k));
    ZLp(:, :, k) = diag(ZL(:, k));
  end
  [Np, Fp] = ref_mtlfd(f, xL, permute(VS, [1 3 2]), ZSp, permute(VL, [1 3 2]), ZLp, C, L);
  check('columns and pages give the same result', relerr(Nm, Np) < 1e-15 && relerr(Fm, Fp) < 1e-15);
  ok = true;
  for k = 1:3
    [Nk, Fk] = chain_solution(f(k), xL, VS(:, k), ZSp(:, :, k), VL(:, k), ZLp(:, :, k), C, L);
    ok = ok && relerr(Nm(k, :), Nk) < 1e-10 && relerr(Fm(k, :), Fk) < 1e-10;
  end
  check('per-frequency diagonal terminations agree with the chain matrix', ok);

  [Ne, Fe] = ref_mtlfd(zeros(1, 0), xL, [1; 0], 50, [0; 0], 50, C, L);
  check('empty frequency list gives 0-by-nc', isequal(size(Ne), [0 2]) && isequal(size(Fe), [0 2]));

  [N1f, F1f] = ref_mtlfd(5e7, xL, [1; 0], [50 5; 5 50], [0; 0], 100*eye(2), C, L);
  [N1c, F1c] = chain_solution(5e7, xL, [1; 0], [50 5; 5 50], [0; 0], 100*eye(2), C, L);
  check('single frequency agrees with the chain matrix', relerr(N1f, N1c) < 1e-10 && relerr(F1f, F1c) < 1e-10);

  % nc = nf: a 2-by-2 termination is one matrix for every frequency
  f2 = [1e7 1e8];
  [Nq, Fq] = ref_mtlfd(f2, xL, [1 0.5; 0 0], [50 5; 5 60], [0; 0], 100*eye(2), C, L);
  [Nq1, Fq1] = chain_solution(f2(1), xL, [1; 0], [50 5; 5 60], [0; 0], 100*eye(2), C, L);
  [Nq2, Fq2] = chain_solution(f2(2), xL, [0.5; 0], [50 5; 5 60], [0; 0], 100*eye(2), C, L);
  check('nc = nf: full termination matrix, source column per frequency', ...
        relerr(Nq, [Nq1; Nq2]) < 1e-10 && relerr(Fq, [Fq1; Fq2]) < 1e-10);

  % uncoupled line: no crosstalk
  [Nd, Fd] = ref_mtlfd(f, xL, [1; 0], 50, [0; 0], 100, diag([1e-10 1.2e-10]), diag([3e-7 2.5e-7]));
  check('diagonal C, L, Z: victim column is zero', all(Nd(:, 2) == 0) && all(Fd(:, 2) == 0));

  % one matched conductor: half the source, delayed at the far end
  c1 = 1e-10; l1 = 2.5e-7; z0 = sqrt(l1/c1); v = 1/sqrt(l1*c1);
  [Ns, Fs] = ref_mtlfd(f, 0.3, 1, z0, 0, z0, c1, l1);
  check('matched single line: near end is half the source', max(abs(Ns - 0.5)) < 1e-14);
  check('matched single line: far end is the delayed half', ...
        max(abs(Fs(:) - 0.5*exp(-2i*pi*f(:)*0.3/v))) < 1e-13);

  % three conductors
  C3 = [1.2e-10 -3e-11 -1e-11; -3e-11 1.3e-10 -2e-11; -1e-11 -2e-11 1.1e-10];
  L3 = [3e-7 8e-8 4e-8; 8e-8 2.8e-7 6e-8; 4e-8 6e-8 3.1e-7];
  f4 = [1e6 5e7 2e8 1e9];
  [N3, F3] = ref_mtlfd(f4, 0.25, [1; 0; 0], 50, [0; 0; 0], diag([100 200 300]), C3, L3);
  [N3c, F3c] = chain_solution(f4, 0.25, [1; 0; 0], 50*eye(3), [0; 0; 0], diag([100 200 300]), C3, L3);
  check('three conductors agree with the chain matrix', relerr(N3, N3c) < 1e-10 && relerr(F3, F3c) < 1e-10, ...
        sprintf('%g %g', relerr(N3, N3c), relerr(F3, F3c)));

  % the degenerate case of the driver: L = inv(C)/c^2, every mode alike
  [ct, lt] = ref_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 60);
  fd = [eps, 1:64:2048] / 2.5e-08;
  Zl = ref_termination([50 Inf] + eps);
  [Ng, Fg] = ref_mtlfd(fd, 0.1, [1; 0], 3e8*lt, [0; 0], Zl, ct, lt);
  [Ngc, Fgc] = chain_solution(fd, 0.1, [1; 0], 3e8*lt, [0; 0], Zl, ct, lt);
  check('repeated eigenvalues: agrees with the chain matrix', relerr(Ng, Ngc) < 1e-8 && relerr(Fg, Fgc) < 1e-8, ...
        sprintf('%g %g', relerr(Ng, Ngc), relerr(Fg, Fgc)));
end

function [VNE, VFE] = chain_solution(f, xL, VS, ZS, VL, ZL, C, L)
% Independent solution by the chain-parameter matrix expm(M*xL),
% currents scaled by r to balance the blocks.
  nc = size(C, 1);
  nf = numel(f);
  r = sqrt(norm(L) / norm(C));
  VNE = zeros(nf, nc);
  VFE = zeros(nf, nc);
  for k = 1:nf
    jw = 2i*pi*f(k);
    M = [zeros(nc), -jw*L/r; -jw*C*r, zeros(nc)];
    P = expm(M * xL);
    % back to unscaled currents
    P11 = P(1:nc, 1:nc);  P12 = P(1:nc, nc+1:end) * r;
    P21 = P(nc+1:end, 1:nc) / r;  P22 = P(nc+1:end, nc+1:end);
    % V0 + ZS*I0 = VS ;  V(xL) - ZL*I(xL) = VL
    A = [eye(nc), ZS; P11 - ZL*P21, P12 - ZL*P22];
    x = A \ [VS; VL];
    V0 = x(1:nc); I0 = x(nc+1:end);
    VNE(k, :) = V0.';
    VFE(k, :) = (P11*V0 + P12*I0).';
  end
end

% ======================================================================
function group_iffts()
  printf('inverse transform\n');
  onesided = @(M) (1:M)' * [1+2i, 3-1i] + ((1:M)' .^ 2) * [0.5i, -0.25];
  S = onesided(5);
  tmax = 0.5;
  v = ref_iffts(S, tmax);
  check('5 rows give 8 real samples per column', isequal(size(v), [8 2]) && isreal(v));

  % direct sum of the defining expression
  N = 8;
  X = [S(1:4, :); real(S(5, :)); conj(S(4:-1:2, :))];
  vd = zeros(N, 2);
  for j = 1:N
    for r = 1:N
      vd(j, :) = vd(j, :) + X(r, :) * exp(2i*pi*(r-1)*(j-1)/N);
    end
  end
  vd = real(vd) / tmax;
  check('agrees with a direct DFT sum', relerr(v, vd) < 1e-14, sprintf('%g', relerr(v, vd)));

  check('1-by-n-by-M layout', isequal(ref_iffts(permute(S, [3 2 1]), tmax), v));
  check('n-by-1-by-M layout', isequal(ref_iffts(permute(S, [2 3 1]), tmax), v));
  check('1-by-1-by-M layout', isequal(ref_iffts(reshape(S(:, 1), 1, 1, 5), tmax), v(:, 1)));

  S2 = S;
  S2(1, :) = real(S2(1, :));
  check('imaginary part at frequency 0 does not reach the signal', relerr(ref_iffts(S2, tmax), v) < 1e-15);
  S3 = S;
  S3(5, :) = real(S3(5, :));
  check('only the real part of the Nyquist row counts', isequal(ref_iffts(S3, tmax), v));

  v1 = ref_iffts(onesided(1), tmax);
  check('one frequency: zeros of the input size', isequal(size(v1), [1 2]) && all(v1 == 0));
  S2r = onesided(2);
  check('two frequencies: ifft*2/tmax with the Nyquist row made real', ...
        relerr(ref_iffts(S2r, tmax), real(ifft([S2r(1, :); real(S2r(2, :))])) * 2 / tmax) < 1e-15);

  % round trip of a known signal: samples of x at j*tmax/N, transform as
  % the window integral (tmax/N)*fft(x)
  N = 16; tmax = 3;
  x = [sin(2*pi*(0:N-1)'/N) + 0.25, cos(4*pi*(0:N-1)'/N).^3];
  Xf = fft(x) * tmax / N;
  check('round trip of a sampled signal', relerr(ref_iffts(Xf(1:N/2+1, :), tmax), x) < 1e-14);
end

% ======================================================================
function group_driver()
  printf('terminations and simulation runs\n');
  ep = 2.220446049250313e-16;
  check('[50 Inf]: 50 ohm to ground, no coupling', norm(ref_termination([50 Inf] + ep) - 50*eye(2)) < 1e-12);
  check('[0 Inf]: shorts, eps times identity', isequal(ref_termination([0 Inf] + ep), ep*eye(2)));
  Z = ref_termination([50 100] + ep);
  check('[50 100]: inverse of the nodal admittance matrix', ...
        relerr(Z, inv([1/50 + 1/100, -1/100; -1/100, 1/50 + 1/100])) < 1e-15);
  ws = warning('off', 'Octave:singular-matrix');
  Zi = ref_termination([Inf 100] + ep);
  warning(ws);
  check('[Inf R12]: singular admittance gives a non-finite inverse', ~all(isfinite(Zi(:))));
  % a short between the conductors ties them: R11/2 = 25 ohm from both to ground
  check('[50 0]: conductors tied, 25 ohm to ground', relerr(ref_termination([50 0] + ep), 25*ones(2)) < 1e-15);

  [ct, lt, VNE, VFE, vf, vn, v0, t, f] = ref_driver_compute(0.1, 'm', 'm');
  check('grids: 4096 samples from 0 to tmax', numel(t) == 4096 && t(1) == 0 && t(end) == 2.5e-08);
  check('grids: 2049 frequencies, step 4e7', numel(f) == 2049 && f(1) == eps/2.5e-08 && f(end) == 8.192e10);
  check('frequency responses 2049-by-2, waveforms 4096-by-2', isequal(size(VNE), [2049 2]) && isequal(size(vf), [4096 2]) ...
        && isreal(vf) && isreal(vn));
  [C0, L0] = ref_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200);
  check('line parameters are those of the geometry', isequal(ct, C0) && isequal(lt, L0));
  % matched at both ends in a uniform medium: nothing reaches conductor 2
  check('matched ends, uniform medium: no crosstalk', ...
        max(abs(vf(:, 2))) < 1e-12 && max(abs(vn(:, 2))) < 1e-12 && max(abs(VNE(:, 2))) < 1e-12 * max(abs(VNE(:, 1))));
  % near end: divider of the source by (nearly) Zc against Zc; far end
  % the same delayed by 0.1 m / c; the line is a wire at DC
  i5 = round(5e-9 / (2.5e-08/4095)) + 1;
  check('driven conductor carries half the pulse at 5 ns', abs(vn(i5, 1) - 0.5) < 2e-3 && abs(vf(i5, 1) - 0.5) < 2e-3, ...
        sprintf('%g %g', vn(i5, 1), vf(i5, 1)));
  i20 = round(20e-9 / (2.5e-08/4095)) + 1;
  check('pulse over by 20 ns', abs(vn(i20, 1)) < 2e-3 && abs(vf(i20, 1)) < 2e-3);
  % far end lags the near end by the line delay: compare the 50 % crossings
  tn = t(find(vn(:, 1) > 0.25, 1));
  tf = t(find(vf(:, 1) > 0.25, 1));
  check('far end lags by 0.1 m / c', abs((tf - tn) - 0.1/2.997925e8) < 2e-11, sprintf('%g', tf - tn));

  [~, ~, ~, ~, vf2, vn2] = ref_driver_compute(0.1, 'matched', '');
  check('string contents do not matter', isequal(vf2, vf) && isequal(vn2, vn));

  [~, lt5, VNE5, VFE5, vf5, vn5] = ref_driver_compute(0.1, 'm', [50 Inf]);
  VS = permute([1; 0] * v0, [1 3 2]);
  [N5, F5] = ref_mtlfd(f, 0.1, VS, 3e8*lt5, [0; 0], ref_termination([50 Inf] + ep), ct, lt);
  check('load [50 Inf] runs the solver with that termination', isequal(N5, VNE5) && isequal(F5, VFE5));
  check('mismatched load: crosstalk on conductor 2', max(abs(vf5(:, 2))) > 1e-3 && max(abs(vn5(:, 2))) > 1e-3);

  [~, ~, VNEs, VFEs] = ref_driver_compute(0.1, [50 Inf], 'm');
  [Ns, Fs] = ref_mtlfd(f, 0.1, VS, ref_termination([50 Inf] + ep), [0; 0], 3e8*lt, ct, lt);
  check('source [50 Inf] runs the solver with that termination', isequal(Ns, VNEs) && isequal(Fs, VFEs));
end
