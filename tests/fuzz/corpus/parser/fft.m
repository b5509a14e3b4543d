x = ifft([1 2 3 4])
fft(x)
fliplr([1 2 3])
flipud([1; 2])
