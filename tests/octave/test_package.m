function test_package(tarball)
% The Octave package: installed from TARBALL into a temporary prefix (package
% lists included, so nothing outside it changes), loaded, and used for one
% simulation.
  xt_headless();
  root = tempname();
  mkdir(root);
  cleanup = onCleanup(@() remove_folder(root));
  pkg('prefix', fullfile(root, 'share'), fullfile(root, 'lib'));
  pkg('local_list', fullfile(root, 'local_packages'));
  pkg('global_list', fullfile(root, 'global_packages'));
  checks = {
    'installs into the temporary prefix', @() install(tarball, root)
    'loads, and vextrab draws its figures', @use
  };
  xt_checks(checks);
end

function install(tarball, root)
  pkg('install', '-local', tarball);
  installed = pkg('list', 'crosstalk');
  assert(numel(installed), 1);
  assert(strncmp(installed{1}.dir, root, numel(root)), 'installed outside the prefix: %s', ...
         installed{1}.dir);
end

function use()
  pkg('load', 'crosstalk');
  installed = fileparts(which('vextrab'));
  assert(~isempty(installed), 'vextrab is not on the path');
  assert(exist(fullfile(installed, 'vextrab.so'), 'file') == 2, 'vextrab.so is not beside vextrab.mex');
  for name = {'vextrab', 'vextral'}
    assert(exist(fullfile(installed, [name{1} '.m']), 'file') == 2, ...
           'the help of %s is not beside it', name{1});
    assert(get_help_text(name{1}), xt_help_text(name{1}));
  end
  vextrab(0.1, 'm', [50 Inf]);
  ax = xt_plot_parts(1);
  assert(get(get(ax, 'title'), 'string'), 'Spänning i laständan på ledare 1');
  xt_expect_error(@() vextral(1, 2, 3, 4), ['Run-time Error: File: vextral Line: 1 Column: 0 ' ...
    'The function "vextral" was called with more than the declared number of inputs (3)']);
end

function remove_folder(folder)
  confirm_recursive_rmdir(false, 'local');
  rmdir(folder, 's');
end
