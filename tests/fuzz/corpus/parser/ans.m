3 + 4
ans * 2
ans;
