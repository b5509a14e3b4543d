a = 1; b = 2;
who
clear a
who
clear
