"""The servers kestrel-cli publish puts a release onto, on 127.0.0.1, all
writing into the folder the web server of release_server.py serves:

  ftp     pyftpdlib (Debian's python3-pyftpdlib), in a thread of this process
  ftps    the same with explicit TLS (AUTH TLS), a throwaway certificate
  sftp    OpenSSH's sshd on a free port, its own config, throwaway host and
          user keys; logins by the user key only
  webdav  nginx with its DAV module (PUT, MOVE, DELETE, MKCOL; PROPFIND
          through the dav-ext module), basic authentication

Users: "publisher" with the password given (ftp, ftps, webdav), and on
ftp and ftps "reader", who may only read. What a test needs to log in is
written into the state folder: cert.pem (the certificate to trust),
host_key.pub (sshd's host key), id_ed25519 (the user key). sshd and nginx
end with this process (PR_SET_PDEATHSIG)."""
import ctypes
import os
import shutil
import signal
import socket
import subprocess
import threading
import logging

logging.basicConfig(level=logging.WARNING)  # pyftpdlib then logs no line per command

READ_ONLY, READ_WRITE = "elr", "elradfmw"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def die_with_parent():
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def early_tls_data_class():
    from pyftpdlib.handlers import TLS_DTPHandler

    class EarlyTlsData(TLS_DTPHandler):
        """A data connection whose TLS handshake comes before the command
        that uses it, as curl makes it: pyftpdlib would take the early
        bytes for a hang-up."""

        def readable(self):
            return (self._ssl_requested and not self._ssl_established) or super().readable()

    return EarlyTlsData


def start_ftp(root, state, password, tls):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
    from pyftpdlib.ioloop import IOLoop
    from pyftpdlib.servers import FTPServer
    authorizer = DummyAuthorizer()
    authorizer.add_user("publisher", password, root, perm=READ_WRITE)
    authorizer.add_user("reader", password, root, perm=READ_ONLY)
    if tls:
        cert = os.path.join(state, "cert.pem")
        if not os.path.exists(cert):
            run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", cert, "-out", cert)
        from OpenSSL import SSL
        context = SSL.Context(SSL.SSLv23_METHOD)
        context.use_certificate_chain_file(cert)
        context.use_privatekey_file(cert)
        context.set_session_id(b"kestrel")  # clients resume the control connection's session for data
        handler = type("Handler", (TLS_FTPHandler,), {"ssl_context": context, "tls_control_required": True,
                                                       "tls_data_required": True, "dtp_handler": early_tls_data_class()})
    else:
        handler = type("Handler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.banner = "kestrel test ftp"
    server = FTPServer(("127.0.0.1", 0), handler, ioloop=IOLoop())  # a loop of its own for each server
    server.max_cons = 64
    port = server.address[1]
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return port


def start_sftp(root, state):
    port = free_port()
    for key, kind in (("host_key", "ed25519"), ("id_ed25519", "ed25519")):
        path = os.path.join(state, key)
        if not os.path.exists(path):
            run("ssh-keygen", "-q", "-t", kind, "-N", "", "-f", path)
    shutil.copy(os.path.join(state, "id_ed25519.pub"), os.path.join(state, "authorized_keys"))
    config = os.path.join(state, "sshd_config")
    with open(config, "w") as f:
        f.write(f"""Port {port}
ListenAddress 127.0.0.1
HostKey {state}/host_key
PidFile none
AuthorizedKeysFile {state}/authorized_keys
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
""")
    try:
        os.makedirs("/run/sshd", exist_ok=True)  # the privilege separation folder sshd insists on (as root)
    except OSError:
        pass
    process = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config], stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(state, "sshd.log"), "w"), preexec_fn=die_with_parent)
    wait_for(port, process)
    return port, process


def start_webdav(root, state, password):
    port = free_port()
    temp = os.path.join(state, "nginx")
    os.makedirs(temp, exist_ok=True)
    with open(os.path.join(state, "htpasswd"), "w") as f:
        f.write(f"publisher:{{PLAIN}}{password}\nreader:{{PLAIN}}{password}\n")
    config = os.path.join(state, "nginx.conf")
    user = "user root root;\n" if os.geteuid() == 0 else ""
    with open(config, "w") as f:
        f.write(f"""load_module /usr/lib/nginx/modules/ngx_http_dav_ext_module.so;
{user}daemon off;
master_process off;
pid {temp}/nginx.pid;
error_log {temp}/error.log;
events {{ worker_connections 64; }}
http {{
  access_log off;
  client_body_temp_path {temp}/body;
  proxy_temp_path {temp}/proxy;
  fastcgi_temp_path {temp}/fastcgi;
  uwsgi_temp_path {temp}/uwsgi;
  scgi_temp_path {temp}/scgi;
  server {{
    listen 127.0.0.1:{port};
    root {root};
    client_max_body_size 0;
    auth_basic "kestrel test";
    auth_basic_user_file {state}/htpasswd;
    location / {{
      dav_methods PUT DELETE MKCOL COPY MOVE;
      dav_ext_methods PROPFIND OPTIONS;
      create_full_put_path on;
    }}
  }}
}}
""")
    process = subprocess.Popen(["/usr/sbin/nginx", "-c", config, "-p", temp, "-e", f"{temp}/error.log"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
    wait_for(port, process)
    return port, process


def wait_for(port, process):
    for _ in range(200):
        if process.poll() is not None:
            raise RuntimeError(f"{process.args[0]} ended at its start")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return
        except OSError:
            threading.Event().wait(0.05)
    raise RuntimeError(f"{process.args[0]} does not listen on {port}")
