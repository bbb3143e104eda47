# What the network benchmarks share; sourced by them after they set repo_root, runs and work.

manifest_path=checkupdate/tarskT/shichang/electron/update.xml

# nginx on a free loopback port serving $work/served: sets port and nginx_pid, and returns once it
# answers. The caller's exit trap kills $nginx_pid.
start_nginx() {
  local nginx_bin
  nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  mkdir -p "$work/served" "$work/nginx"
  cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  default_type application/octet-stream;
  server { listen 127.0.0.1:$port; root $work/served; }
}
CONF
  "$nginx_bin" -c "$work/nginx/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
}

# A release without files at $work/served/empty: a run over it is the engine's start-up.
write_empty_manifest() {
  mkdir -p "$(dirname "$work/served/empty/$manifest_path")"
  printf '<?xml version="1.0" encoding="utf-8"?>\n<UpdateFiles>\n</UpdateFiles>\n' \
    > "$work/served/empty/$manifest_path"
}

now() { date +%s.%N; }
# Median of $runs timings of a command (its output goes to $work/last.out); $before runs first
# each time. The machine's other work moves single runs a lot; the median follows it less than
# the fastest.
median() {
  local times=()
  for _ in $(seq "$runs"); do
    eval "$before"
    local start
    start=$(now)
    "$@" > "$work/last.out" 2>&1
    times+=("$(echo "$(now) - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END {
    print (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2) }'
}

# The native floor's second half: one 7zz process unpacks every package in $work/native into
# $work/native/out, then each name.tmp is renamed to name.
native_unpack_and_place() {
  7zz x -y -bso0 -bsp0 "-o$work/native/out" "$work/native/*.pak" &&
    python3 -c 'import os, sys
d = sys.argv[1]
for n in os.listdir(d):
    if n.endswith(".tmp"): os.replace(os.path.join(d, n), os.path.join(d, n[:-4]))' \
      "$work/native/out"
}
