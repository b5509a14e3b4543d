function post_install (desc)
% Puts the help files vextrab.m and vextral.m (comments only) beside the MEX
% files of the same names: Octave shows a MEX file's help from the .m file in
% its own folder. pkg installs .m files and MEX files into different folders.
  arch = [__octave_config_info__('canonical_host_type'), '-', ...
          __octave_config_info__('api_version')];
  target = fullfile (desc.archprefix, arch);
  for name = {'vextrab', 'vextral'}
    [ok, message] = copyfile (fullfile ('help', [name{1}, '.m']), target);
    if (! ok)
      error ('crosstalk: cannot put the help of %s beside it: %s', name{1}, message);
    end
  end
end
