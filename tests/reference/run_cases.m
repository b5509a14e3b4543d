function run_cases(in_dir, out_dir)
% RUN_CASES  Compute the fixed list of reference cases and write each
% result (and the inputs of the solver and transform cases) as text files.
%
%   run_cases(in_dir, out_dir)
%
%   in_dir   unused (kept for the calling convention; may be '')
%   out_dir  directory for the results; created if missing
%
%   One file per array: <out_dir>/<case>__<name>.txt
%     line 1:  the dimensions, separated by single spaces (e.g. "2049 2")
%     then:    one line per element in column-major order, "re im", each
%              printed with %.17g (imaginary part 0 for real arrays;
%              Inf, -Inf and NaN as Octave prints them)
%   Inputs are written under names beginning with "in_".  <out_dir>/index.txt
%   lists every file written as "<case> <name> <dims...>".
%
%   The cases are described in CASES.md next to this file.

  if nargin < 2
    error('run_cases: usage run_cases(in_dir, out_dir)');
  end
  if ~exist(out_dir, 'dir')
    mkdir(out_dir);
  end

  idx = fopen(fullfile(out_dir, 'index.txt'), 'w');
  if idx < 0
    error('run_cases: cannot write to %s', out_dir);
  end
  cleanup = onCleanup(@() fclose(idx));

  ep = 2.220446049250313e-16;

  % ------------------------------------------------------------------
  % line parameters
  % ------------------------------------------------------------------
  b3 = [1 0.2 0.2];
  d3 = [-0.2 0.2];
  plattm_cases = {
    'plattm_h010',        b3, d3, 0.1,        200, {}
    'plattm_h005',        b3, d3, 0.05,       200, {}
    'plattm_h030',        b3, d3, 0.3,        200, {}
    'plattm_unequal',     b3, d3, [0.1 0.15], 200, {}
    'plattm_two',         [1 0.2], 0.1, 0.1,  100, {}
    'plattm_four',        [1 0.2 0.2 0.2], [-0.3 0 0.3], 0.1, 120, {}
    'plattm_diel_below',  b3, d3, 0.1,        100, {4, 0.05}
    'plattm_diel_above',  b3, d3, 0.1,        100, {4, 0.2}
    'plattm_diel_one',    b3, d3, 0.1,        100, {1, 0.05}
    'plattm_stacked',     [1 0.2 0.3], 0.05, [0.1 0.2], 150, {}
    'plattm_halfround',   [2 1 1], [-0.6 0.6], 0.25, 10, {}
  };
  for c = 1:rows(plattm_cases)
    [name, b, dd, hh, Nj, extra] = plattm_cases{c, :};
    [Ctr, Ltr] = ref_plattm(b, dd, hh, Nj, extra{:});
    put(idx, out_dir, name, 'Ctr', Ctr);
    put(idx, out_dir, name, 'Ltr', Ltr);
  end

  % ------------------------------------------------------------------
  % pulse transform
  % ------------------------------------------------------------------
  ftrapez_cases = {
    'ftrapez_driver',  [ep, 1:2048] / 2.5e-08,            1e-08, 5e-10, 5e-10
    'ftrapez_column',  (1:5)' * 1e7,                      1e-08, 5e-10, 5e-10
    'ftrapez_t1zero',  1e6 * [1 2 3],                     1e-08, 0,     5e-10
    'ftrapez_negf',    [-3e7 3e7],                        1e-08, 5e-10, 5e-10
    'ftrapez_asym',    [1e6 3.3e7 1e8 7.7e8 2.5e9],       1e-08, 2e-10, 7e-10
  };
  for c = 1:rows(ftrapez_cases)
    [name, f, tpl, t1, t2] = ftrapez_cases{c, :};
    put(idx, out_dir, name, 'y', ref_ftrapez(f, tpl, t1, t2));
  end

  % ------------------------------------------------------------------
  % line solver
  % ------------------------------------------------------------------
  C2 = [1e-10 -2e-11; -2e-11 1.2e-10];
  L2 = [3e-7 6e-8; 6e-8 2.5e-7];
  f3 = [1e6 5e7 2e8];

  m = {};
  m(end+1, :) = {'mtlfd_vs_col', f3, 0.1, [1; 0.5], 50, [0; 0.25], 100, C2, L2};
  m(end+1, :) = {'mtlfd_vs_mat', f3, 0.1, [1 2 3; 0.5 -1 0.25], ...
                 [50 60 70; 80 90 100], [0 0.1 0; 0 0 0.2], ...
                 [100 110 120; 130 140 150], C2, L2};
  VSp = permute([1 2 3; 0.5i -1i 0.25], [1 3 2]);
  ZSp = zeros(2, 2, 3);
  for k = 1:3
    ZSp(:, :, k) = [40 + 10*k, 5*k; 5*k, 70 - 10*k];
  end
  m(end+1, :) = {'mtlfd_vs_pages', f3, 0.1, VSp, ZSp, [0; 0], [75 15; 15 75], C2, L2};
  m(end+1, :) = {'mtlfd_empty', zeros(1, 0), 0.1, [1; 0], 50, [0; 0], 50, C2, L2};
  m(end+1, :) = {'mtlfd_nf1', 5e7, 0.1, [1; 0], [50 5; 5 50], [0; 0], [100 0; 0 100], C2, L2};
  m(end+1, :) = {'mtlfd_nc_eq_nf', [1e7 1e8], 0.1, [1 0.5; 0 0], [50 5; 5 60], ...
                 [0; 0], [100 0; 0 100], C2, L2};
  C3 = [1.2e-10 -3e-11 -1e-11; -3e-11 1.3e-10 -2e-11; -1e-11 -2e-11 1.1e-10];
  L3 = [3e-7 8e-8 4e-8; 8e-8 2.8e-7 6e-8; 4e-8 6e-8 3.1e-7];
  m(end+1, :) = {'mtlfd_three', [1e6 5e7 2e8 1e9], 0.25, [1; 0; 0], 50, [0; 0; 0], ...
                 diag([100 200 300]), C3, L3};
  % the driver's own call: hh = 0.1, matched at both ends
  tmax = 2.5e-08;
  fd = [ep, 1:2048] / tmax;
  [ctd, ltd] = ref_plattm(b3, d3, 0.1, 200);
  VSd = permute([1; 0] * ref_ftrapez(fd, 1e-08, 5e-10, 5e-10), [1 3 2]);
  m(end+1, :) = {'mtlfd_driver', fd, 0.1, VSd, 300000000*ltd, [0; 0], 300000000*ltd, ctd, ltd};

  innames = {'f', 'xL', 'VS', 'ZS', 'VL', 'ZL', 'C', 'L'};
  for c = 1:rows(m)
    name = m{c, 1};
    args = m(c, 2:9);
    [VNE, VFE] = ref_mtlfd(args{:});
    for a = 1:8
      put(idx, out_dir, name, ['in_' innames{a}], args{a});
    end
    put(idx, out_dir, name, 'VNE', VNE);
    put(idx, out_dir, name, 'VFE', VFE);
  end

  % ------------------------------------------------------------------
  % inverse transform
  % ------------------------------------------------------------------
  onesided = @(M) (1:M)' * [1+2i, 3-1i] + ((1:M)' .^ 2) * [0.5i, -0.25];
  S5 = onesided(5);
  iffts_cases = {
    'iffts_MxN',   S5,                           0.5
    'iffts_1xNxM', permute(S5, [3 2 1]),         0.5
    'iffts_Nx1xM', permute(S5, [2 3 1]),         0.5
    'iffts_1x1xM', reshape(S5(:, 1), 1, 1, 5),   0.5
    'iffts_M1',    onesided(1),                      0.5
    'iffts_M2',    onesided(2),                      0.5
  };
  for c = 1:rows(iffts_cases)
    [name, supv, tm] = iffts_cases{c, :};
    put(idx, out_dir, name, 'in_supv', supv);
    put(idx, out_dir, name, 'in_tmax', tm);
    put(idx, out_dir, name, 'vt', ref_iffts(supv, tm));
  end

  % ------------------------------------------------------------------
  % terminations ([R11 R12] + eps, then the network's impedance matrix)
  % ------------------------------------------------------------------
  term_cases = {
    'term_50_inf',  [50 Inf]
    'term_0_inf',   [0 Inf]
    'term_50_100',  [50 100]
    'term_0_0',     [0 0]
    'term_50_0',    [50 0]
    'term_75_1e-3', [75 1e-3]
  };
  for c = 1:rows(term_cases)
    [name, R] = term_cases{c, :};
    put(idx, out_dir, name, 'Z', ref_termination(R + ep));
  end

  % ------------------------------------------------------------------
  % whole simulation runs
  % ------------------------------------------------------------------
  driver_cases = {
    'driver_matched',   0.1,        'm',       'm'
    'driver_load50',    0.1,        'm',       [50 Inf]
    'driver_source50',  0.1,        [50 Inf],  'm'
    'driver_numeric',   [0.1 0.15], [50 200],  [100 Inf]
    'driver_loadshort', 0.1,        'm',       [50 0]
  };
  for c = 1:rows(driver_cases)
    [name, hh, Rs, Rl] = driver_cases{c, :};
    [ct, lt, VNE, VFE, vf, vn, v0] = ref_driver_compute(hh, Rs, Rl);
    put(idx, out_dir, name, 'ct', ct);
    put(idx, out_dir, name, 'lt', lt);
    put(idx, out_dir, name, 'v0', v0);
    put(idx, out_dir, name, 'VNE', VNE);
    put(idx, out_dir, name, 'VFE', VFE);
    put(idx, out_dir, name, 'vf', vf);
    put(idx, out_dir, name, 'vn', vn);
  end
end

function put(idx, out_dir, casename, what, X)
% Write one array in the exchange format and list it in the index.
  fn = fullfile(out_dir, [casename '__' what '.txt']);
  fid = fopen(fn, 'w');
  if fid < 0
    error('run_cases: cannot write %s', fn);
  end
  dims = size(X);
  fprintf(fid, '%s\n', strjoin(arrayfun(@(d) sprintf('%d', d), dims, ...
                                        'UniformOutput', false), ' '));
  x = double(X(:));
  if ~isempty(x)
    fprintf(fid, '%.17g %.17g\n', [real(x).'; imag(x).']);
  end
  fclose(fid);
  fprintf(idx, '%s %s', casename, what);
  fprintf(idx, ' %d', dims);
  fprintf(idx, '\n');
end
