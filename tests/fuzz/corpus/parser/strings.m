a = 'it''s'
b = [a ' ok']
c = double('å')
d = char([72 105])
sprintf('%5.2f|%d|%s|%g\n', pi, 42, 'x', 1e-10)
