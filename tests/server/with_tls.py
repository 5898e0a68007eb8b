#!/usr/bin/env python3
"""Runs a test command beside real HTTPS mirrors and real proxies on loopback, made for it and
stopped afterwards whatever the outcome.

Usage: with_tls.py --docroot DIR -- COMMAND...
       with_tls.py --certificates DIR   (only makes the certificates below, in DIR)

A test CA and the servers' certificates are made at start. nginx serves DIR over HTTPS from
several servers, and over plain HTTP from one more; tinyproxy runs as an open proxy, as one that
refuses this client, and as one that asks for credentials. The command sees, beside what
with_server.py gives (QUORRIN_TEST_DOCROOT, QUORRIN_TEST_DOCROOT_UNIX):

  QUORRIN_TLS_TLS12, QUORRIN_TLS_TLS13  https://127.0.0.1:PORT, certificates by the test CA; TLS
                                         1.2 only, and TLS 1.2 with 1.3
  QUORRIN_TLS_SELFSIGNED, QUORRIN_TLS_WRONGNAME, QUORRIN_TLS_EXPIRED, QUORRIN_TLS_TLS10
                                         https://127.0.0.1:PORT that no client may accept: a
                                         self-signed certificate, one for another name, one
                                         expired, and TLS 1.0 alone
  QUORRIN_TLS_PLAIN                      http://127.0.0.1:PORT, the same files
  QUORRIN_TLS_CA                         the test CA's certificate (Windows path, PEM)
  QUORRIN_PROXY_OPEN, QUORRIN_PROXY_DENY, QUORRIN_PROXY_AUTH, QUORRIN_PROXY_DEAD
                                         127.0.0.1:PORT of each proxy; nothing listens on the last
  QUORRIN_PROXY_OPEN_LOG                 the open proxy's log (Windows path)
"""
import datetime
import ipaddress
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.x509.oid import NameOID

SERVERS = ["tls12", "tls13", "selfsigned", "wrongname", "expired", "tls10", "plain"]


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def new_key():
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


def name(common):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common)])


def certificate(subject_key, subject, issuer_key, issuer, dns, start, end, ca=False):
    builder = (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer)
               .public_key(subject_key.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(start).not_valid_after(end)
               .add_extension(x509.BasicConstraints(ca=ca, path_length=None), critical=True))
    if dns:
        names = [x509.DNSName(dns)]
        # mbedTLS 2.28 checks a certificate's names alone, also for a server addressed by its
        # IP address: the address stands among the names too. The tests' servers go by address,
        # since "localhost" is the test build's cloud-drive domain.
        if dns == "127.0.0.1":
            names += [x509.IPAddress(ipaddress.ip_address(dns)), x509.DNSName("localhost")]
        builder = builder.add_extension(x509.SubjectAlternativeName(names), critical=False)
    if ca:
        builder = builder.add_extension(
            x509.KeyUsage(digital_signature=True, key_cert_sign=True, crl_sign=True,
                          content_commitment=False, key_encipherment=False,
                          data_encipherment=False, key_agreement=False, encipher_only=False,
                          decipher_only=False), critical=True)
    return builder.sign(issuer_key, hashes.SHA256())


def write_pair(folder, stem, key, cert):
    (folder / f"{stem}.key").write_bytes(key.private_bytes(
        serialization.Encoding.PEM, serialization.PrivateFormat.TraditionalOpenSSL,
        serialization.NoEncryption()))
    (folder / f"{stem}.crt").write_bytes(cert.public_bytes(serialization.Encoding.PEM))


def make_certificates(folder):
    now = datetime.datetime.utcnow()
    day = datetime.timedelta(days=1)
    ca_key = new_key()
    ca_name = name("Quorrin Test CA")
    ca = certificate(ca_key, ca_name, ca_key, ca_name, None, now - day, now + 30 * day, ca=True)
    write_pair(folder, "ca", ca_key, ca)
    server_key = new_key()
    leaves = {
        "good": (server_key, ca_key, ca_name, "127.0.0.1", now - day, now + 30 * day),
        "wrongname": (server_key, ca_key, ca_name, "mirror.invalid", now - day, now + 30 * day),
        "expired": (server_key, ca_key, ca_name, "127.0.0.1",
                    datetime.datetime(2020, 1, 1), datetime.datetime(2021, 1, 1)),
        "selfsigned": (server_key, server_key, name("127.0.0.1"), "127.0.0.1", now - day,
                       now + 30 * day),
    }
    for stem, (key, issuer_key, issuer, dns, start, end) in leaves.items():
        write_pair(folder, stem, key, certificate(key, name(dns), issuer_key, issuer, dns, start,
                                                  end))


def nginx_config(work, docroot, ports):
    certs = work / "certs"
    # A leaf's chain: the server sends its CA's certificate after its own, as real mirrors do.
    for stem in ("good", "wrongname", "expired"):
        (certs / f"{stem}-chain.crt").write_bytes((certs / f"{stem}.crt").read_bytes() +
                                                  (certs / "ca.crt").read_bytes())
    tls = {
        "tls12": ("good-chain", "TLSv1.2", "DEFAULT"),
        "tls13": ("good-chain", "TLSv1.2 TLSv1.3", "DEFAULT"),
        "selfsigned": ("selfsigned", "TLSv1.2", "DEFAULT"),
        "wrongname": ("wrongname-chain", "TLSv1.2", "DEFAULT"),
        "expired": ("expired-chain", "TLSv1.2", "DEFAULT"),
        # OpenSSL 3 speaks TLS 1.0 only at security level 0.
        "tls10": ("good-chain", "TLSv1", "DEFAULT:@SECLEVEL=0"),
    }
    servers = []
    for server, (cert, protocols, ciphers) in tls.items():
        key = "selfsigned" if cert == "selfsigned" else cert.split("-")[0]
        servers.append(f"""
  server {{
    listen 127.0.0.1:{ports[server]} ssl;
    ssl_certificate "{certs}/{cert}.crt";
    ssl_certificate_key "{certs}/{key}.key";
    ssl_protocols {protocols};
    ssl_ciphers {ciphers};
    root "{docroot}";
  }}""")
    servers.append(f"""
  server {{
    listen 127.0.0.1:{ports['plain']};
    root "{docroot}";
  }}""")
    # Workers run as another user when the master is root: the sandbox may be readable by root
    # alone.
    user = "user root;" if os.geteuid() == 0 else ""
    return f"""{user}
daemon off;
worker_processes 1;
pid "{work}/nginx.pid";
error_log "{work}/nginx-error.log";
events {{ worker_connections 64; }}
http {{
  access_log "{work}/nginx-access.log";
  client_body_temp_path "{work}/tmp"; proxy_temp_path "{work}/tmp"; fastcgi_temp_path "{work}/tmp";
  uwsgi_temp_path "{work}/tmp"; scgi_temp_path "{work}/tmp";
  default_type application/octet-stream;
  {''.join(servers)}
}}
"""


def tinyproxy_config(work, stem, port, extra):
    user = "User root\nGroup root\n" if os.geteuid() == 0 else ""
    path = work / f"{stem}.conf"
    path.write_text(f"""{user}Port {port}
Listen 127.0.0.1
Timeout 30
LogFile "{work}/{stem}.log"
LogLevel Info
MaxClients 20
{extra}
""")
    return path


def wait_port(port, proc, what, log):
    for _ in range(100):
        if proc.poll() is not None:
            break
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.1)
    raise SystemExit(f"{what} did not start on {port}: {log.read_text() if log.exists() else ''}")


def main():
    argv = sys.argv[1:]
    # For the benchmark: the test CA and a certificate for 127.0.0.1 (ca.crt, good.crt with
    # good.key), nothing started.
    if argv[:1] == ["--certificates"] and len(argv) == 2:
        folder = Path(argv[1])
        folder.mkdir(parents=True, exist_ok=True)
        make_certificates(folder)
        return 0
    split = argv.index("--")
    if argv[:1] != ["--docroot"] or split != 2:
        raise SystemExit("usage: with_tls.py --docroot DIR -- COMMAND...")
    docroot = Path(argv[1]).resolve()
    docroot.mkdir(parents=True, exist_ok=True)
    command = argv[split + 1:]
    work = Path(tempfile.mkdtemp(prefix="quorrin-tls-"))
    procs = []
    try:
        (work / "certs").mkdir()
        (work / "tmp").mkdir()
        make_certificates(work / "certs")
        ports = {server: free_port() for server in SERVERS}
        (work / "nginx.conf").write_text(nginx_config(work, docroot, ports))
        nginx = subprocess.Popen(["/usr/sbin/nginx", "-p", str(work), "-c",
                                  str(work / "nginx.conf")], stderr=subprocess.DEVNULL)
        procs.append(nginx)
        for server in SERVERS:
            wait_port(ports[server], nginx, "nginx", work / "nginx-error.log")
        proxies = {
            "open": "Allow 127.0.0.1",
            # Serves a client that this test never is.
            "deny": "Allow 127.0.0.2",
            "auth": "Allow 127.0.0.1\nBasicAuth quorrin secret",
        }
        proxy_ports = {}
        for stem, extra in proxies.items():
            proxy_ports[stem] = free_port()
            conf = tinyproxy_config(work, stem, proxy_ports[stem], extra)
            proxy = subprocess.Popen(["tinyproxy", "-d", "-c", str(conf)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            procs.append(proxy)
            wait_port(proxy_ports[stem], proxy, f"tinyproxy ({stem})", work / f"{stem}.log")
        env = dict(os.environ)
        env.update({
            "QUORRIN_TEST_DOCROOT": windows_path(docroot),
            "QUORRIN_TEST_DOCROOT_UNIX": str(docroot),
            "QUORRIN_TLS_CA": windows_path(work / "certs" / "ca.crt"),
            "QUORRIN_TLS_PLAIN": f"http://127.0.0.1:{ports['plain']}",
            "QUORRIN_PROXY_DEAD": f"127.0.0.1:{free_port()}",
            "QUORRIN_PROXY_OPEN_LOG": windows_path(work / "open.log"),
        })
        for server in SERVERS[:-1]:
            env[f"QUORRIN_TLS_{server.upper()}"] = f"https://127.0.0.1:{ports[server]}"
        for stem, port in proxy_ports.items():
            env[f"QUORRIN_PROXY_{stem.upper()}"] = f"127.0.0.1:{port}"
        return subprocess.call(command, env=env)
    finally:
        for proc in procs:
            proc.terminate()
        for proc in procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
