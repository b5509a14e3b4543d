z = 3 + 4i
abs(z)
real(z), imag(z), conj(z)
sqrt(-4)
exp(1i*pi)
[1+2i 3]'
