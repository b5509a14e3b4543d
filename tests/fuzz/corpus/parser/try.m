try
  error('my:id', 'Fel %d', 3)
catch e
  disp(e)
end
lasterr
