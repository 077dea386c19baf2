# Draws click to menu against the number of entries from the medians launcher_bench writes.
# scripts/bench.sh runs it: gnuplot -e "data='FILE.dat'; out='FILE.png'" bench/launcher_clicks.gp
set terminal pngcairo size 800,560 font ",11"
set output out
set title "Morvek under Wine: tray click to launcher menu on screen (median)"
set logscale xy
set xrange [8:1250]
set xtics (10, 100, 1000)
set xlabel "shortcuts in items"
set ylabel "click to menu (ms)"
set grid
set key top left Left reverse opaque box
plot data using 1:2 with linespoints lw 2 pt 7 lc rgb "#c0392b" title "cold: first click after start", \
     "" using 1:4 with linespoints lw 2 pt 5 lc rgb "#e67e22" title "cold: click after a shortcut was added", \
     "" using 1:3 with linespoints lw 2 pt 6 dt 2 lc rgb "#7f1d1d" title "floor: shell listing, icons, popup (first click)", \
     "" using 1:8 with linespoints lw 2 pt 11 lc rgb "#27ae60" title "first click once idle (built ahead)", \
     "" using 1:9 with linespoints lw 2 pt 13 lc rgb "#8e44ad" title "click 0.5 s after a shortcut was added", \
     "" using 1:6 with linespoints lw 2 pt 9 lc rgb "#1f6fb2" title "warm: unchanged folder", \
     "" using 1:7 with linespoints lw 2 pt 8 dt 2 lc rgb "#5dade2" title "popup alone"
