% sprintf and fprintf in the host language's way.
fprintf('%d %d\n', [1 2; 3 4])
% expect: 1 3
% expect: 2 4
fprintf('%s: %5.2f\n', 'pi', pi)
% expect: pi:  3.14
s = sprintf('%d, %d\n', 1, 2, 3)
% expect: s = 1, 2
% expect: 3, 
sprintf('%.17g', 0.1)
% expect: ans = 0.10000000000000001
sprintf('%d', 1.5)
% expect: ans = 1.500000e+00
sprintf('%c', 'Spänning')
% expect: ans = Spänning
fprintf('Beräkning pågår!\n')
% expect: Beräkning pågår!
fprintf('tab\there\n')
% expect: tab	here
fprintf(1, '%d%%\n', 50)
% expect: 50%
fprintf('%g %g\n', Inf, NaN)
% expect: Inf NaN
