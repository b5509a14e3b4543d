s = 'Beräkning pågår!'
numel(s)
double('ö')
