% --formats takes a comma-separated list of png, svg, pdf, json, html and all, in any case.
% no-script
% args: --formats HTML,json,all 'x = 1'
% expect: x = 1
