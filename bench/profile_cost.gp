# Plots profile cost against file size for docs/profile_cost.png:
#   gnuplot -e "data='profile_cost.dat'; peer='peer_cost.dat'; output='profile_cost.png'" profile_cost.gp
# Left: time per call; right: the same as nanoseconds per byte of file.
set terminal pngcairo size 1400,600 font ",11"
set output output
set multiplot layout 1,2 title "Profile functions against file size (key in the last section)"
set logscale xy
set grid
set format y "%g"
set key inside top left opaque font ",9" samplen 2
set xrange [700:16000000]
set xlabel "file size (bytes)"
set xtics ("1 KB" 1024, "10 KB" 10240, "100 KB" 102400, "1 MB" 1048576, "10 MB" 10485760)

set ylabel "time per call (ms)"
set yrange [*:1000000]
set title "Time per call"
plot data using 1:($3*1e3) with linespoints lw 2 pt 7 title "profile\\_write", \
     data using 1:($2*1e3) with linespoints lw 2 pt 5 title "profile\\_read", \
     data using 1:($4*1e3) with linespoints lw 1 pt 4 dt 2 title "edit in memory", \
     data using 1:($5*1e3) with linespoints lw 1 pt 6 dt 2 title "durable replace alone (fsync, rename)", \
     data using 1:($6*1e3) with linespoints lw 1 pt 8 dt 2 title "replace without fsync", \
     peer using 1:($3*1e3) with linespoints lw 1 pt 9 dt 3 title "configparser edit, durable", \
     50 with lines lc rgb "red" dt 4 title "50 ms"

set ylabel "cost per byte (ns)"
set yrange [*:1000000]
set key inside top right
set title "Cost per byte"
plot data using 1:($3*1e9/$1) with linespoints lw 2 pt 7 title "profile\\_write", \
     data using 1:($2*1e9/$1) with linespoints lw 2 pt 5 title "profile\\_read", \
     data using 1:($4*1e9/$1) with linespoints lw 1 pt 4 dt 2 title "edit in memory", \
     data using 1:($5*1e9/$1) with linespoints lw 1 pt 6 dt 2 title "durable replace alone (fsync, rename)", \
     data using 1:($6*1e9/$1) with linespoints lw 1 pt 8 dt 2 title "replace without fsync", \
     peer using 1:($3*1e9/$1) with linespoints lw 1 pt 9 dt 3 title "configparser edit, durable"
unset multiplot
