#!/usr/bin/env bash
# Tries the project as a new Debian 12 user would, in minimal roots made with debootstrap from
# the package source this machine is configured with:
#   --source    a root with the base system, sudo and a user "ezr" who finds the repository's
#               tracked files in ~/ezr and runs the README's test command (bash tools/test.sh);
#   --deb FILE  a second such root: apt install ./FILE, then ezr-report on the installed sample
#               and ezr --version, both without a display.
# Needs root (through sudo when available). Kept between runs in /var/cache/ezr-ci (or
# $EZR_CI_CACHE): the base root as a tarball, the downloaded packages and a compiler cache.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: bash tools/pristine_check.sh [--source] [--deb FILE]" >&2
  exit 2
}
check_source=false
deb=""
while (($# > 0)); do
  case "$1" in
    --source) check_source=true ;;
    --deb) (($# > 1)) || usage; deb="$(realpath "$2")"; shift ;;
    *) usage ;;
  esac
  shift
done
[ "$check_source" = true ] || [ -n "$deb" ] || usage

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then
    exec sudo --preserve-env=EZR_CI_CACHE bash "$0" "$@"
  fi
  echo "tools/pristine_check.sh makes and enters chroots: run it as root." >&2
  exit 1
fi

codename=bookworm
cache="${EZR_CI_CACHE:-/var/cache/ezr-ci}"
user=ezr
mkdir -p "$cache/apt-archives" "$cache/ccache"

# The Debian suites this machine installs from, as one-line "deb URI SUITE COMPONENTS"
# entries; other sources need keys a fresh root does not have.
configured_sources() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -n -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?/deb /p' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      {
        types = ""; uris = ""; suites = ""; components = ""; enabled = "yes"
        for (i = 1; i <= NF; ++i) {
          if ($i ~ /^[[:space:]]*#/ || index($i, ":") == 0) continue
          key = tolower(substr($i, 1, index($i, ":") - 1))
          value = substr($i, index($i, ":") + 1)
          gsub(/^[[:space:]]+|[[:space:]]+$/, "", value)
          if (key == "types") types = value
          else if (key == "uris") uris = value
          else if (key == "suites") suites = value
          else if (key == "components") components = value
          else if (key == "enabled") enabled = tolower(value)
        }
        if (enabled == "no" || (" " types " ") !~ / deb /) next
        nu = split(uris, u, " "); ns = split(suites, s, " ")
        for (a = 1; a <= nu; ++a) for (b = 1; b <= ns; ++b) print "deb", u[a], s[b], components
      }' "$file"
  done
}
sources=$(configured_sources | awk -v c="$codename" '$3 ~ "^" c "([-/]|$)"' | sort -u)
mirror=$(awk -v c="$codename" '$3 == c { print $2; exit }' <<<"$sources")
if [ -z "$mirror" ]; then
  mirror=http://deb.debian.org/debian
  sources="deb $mirror $codename main"
  echo "-- no $codename source configured here; using $mirror"
fi

roots=()
cleanup() {
  local root mounted
  for root in "${roots[@]}"; do
    for mounted in var/cache/ccache var/cache/apt/archives dev/pts dev proc; do
      if mountpoint -q "$root/$mounted"; then
        umount -R "$root/$mounted" || umount -lR "$root/$mounted" || true
      fi
    done
    # Never delete through a mount that is still there.
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "still mounted below $root: left in place" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  done
}
trap cleanup EXIT

stage_start=$SECONDS
stage_time() { # name
  echo "-- $1: $((SECONDS - stage_start)) s"
  stage_start=$SECONDS
}

# The base root, made once per source and kept as a tarball: the minimal system, sudo, the
# user with sudo rights, and package lists.
base_key=$(printf '%s\n' "$sources" "minbase sudo v2" | sha256sum | cut -c1-12)
base_tar="$cache/$codename-base-$base_key.tar.gz"
if [ ! -f "$base_tar" ]; then
  echo "-- making the base root from $mirror ($codename, minbase)"
  base=$(mktemp -d /var/tmp/ezr-base.XXXXXX)
  roots+=("$base")
  chmod 755 "$base"
  debootstrap --variant=minbase --include=sudo --cache-dir="$cache/apt-archives" \
    "$codename" "$base" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -n 30 "$cache/debootstrap.log" >&2; exit 1; }
  printf '%s\n' "$sources" >"$base/etc/apt/sources.list"
  # No services start inside the root.
  printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
  chmod 755 "$base/usr/sbin/policy-rc.d"
  chroot "$base" useradd --create-home --shell /bin/bash --uid 1000 "$user"
  echo "$user ALL=(ALL) NOPASSWD: ALL" >"$base/etc/sudoers.d/$user"
  chmod 440 "$base/etc/sudoers.d/$user"
  rm -f "$base"/var/cache/apt/archives/*.deb
  tar -C "$base" --numeric-owner -czf "$base_tar.part" .
  mv "$base_tar.part" "$base_tar"
  stage_time "base root made"
fi

new_root() { # sets root to a fresh root with /proc, /dev and the package cache mounted
  root=$(mktemp -d /var/tmp/ezr-pristine.XXXXXX)
  roots+=("$root")
  chmod 755 "$root"
  tar -C "$root" --numeric-owner -xzf "$base_tar"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --make-rslave "$root/dev"
  mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"
}

in_root() { # root command...: as root inside the root, with a plain environment
  local root="$1"
  shift
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

as_user() { # root command...: as the user inside the root, with a login's plain environment
  local root="$1"
  shift
  chroot "$root" runuser -u "$user" -- env -i PATH=/usr/local/bin:/usr/bin:/bin \
    HOME="/home/$user" USER="$user" LANG="${user_lang:-C.UTF-8}" TERM=dumb "$@"
}

if [ "$check_source" = true ]; then
  echo "-- pristine root 1: the README's test command as a user with sudo"
  new_root
  # A compiler cache shared between runs; building from scratch is what this stage checks
  # only the first time. ccache depends on no development package.
  mkdir -p "$root/var/cache/ccache"
  mount --bind "$cache/ccache" "$root/var/cache/ccache"
  chown 1000:1000 "$cache/ccache"
  in_root "$root" apt-get update -qq
  in_root "$root" apt-get install -y -qq --no-install-recommends ccache >/dev/null
  # The committed tree as a clone holds it: tracked files, none of the build folders.
  while IFS= read -r -d '' file; do
    [ -e "$file" ] && printf '%s\0' "$file"
  done < <(git ls-files -z) | tar --null -T - -cf - | tar -C "$root/home/$user" --one-top-level=ezr -xf -
  chroot "$root" chown -R "$user:$user" "/home/$user/ezr"
  stage_time "root 1 ready"
  as_user "$root" env CCACHE_DIR=/var/cache/ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
    bash -c 'cd ~/ezr && bash tools/test.sh'
  stage_time "bash tools/test.sh in root 1"
fi

if [ -n "$deb" ]; then
  echo "-- pristine root 2: apt install ./$(basename "$deb")"
  new_root
  cp "$deb" "$root/tmp/"
  chmod 644 "$root/tmp/$(basename "$deb")"
  in_root "$root" apt-get update -qq
  if ! in_root "$root" bash -c "cd /tmp && apt install -y -q ./$(basename "$deb")" \
    >"$root/tmp/apt-install.log" 2>&1; then
    tail -n 30 "$root/tmp/apt-install.log" >&2
    exit 1
  fi
  grep -E '^[0-9]+ upgraded' "$root/tmp/apt-install.log"
  in_root "$root" dpkg-query -W ezr fonts-liberation2
  stage_time "package installed in root 2"
  version=$(as_user "$root" ezr --version)
  echo "ezr --version: $version"
  [ "$version" = "ezr $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ] ||
    { echo "unexpected version line" >&2; exit 1; }
  as_user "$root" ezr --help >/dev/null
  for user_lang in C.UTF-8 en_US.UTF-8 ru_RU.UTF-8; do
    report=$(as_user "$root" ezr-report /usr/share/ezr/sample/101.cry --encoding utf-8)
    echo "ezr-report (LANG=$user_lang): $(wc -l <<<"$report") lines, $(grep -m1 -E '[0-9]{2}[./][0-9]{2}[./][0-9]{2,4}' <<<"$report" | tr -s ' ')"
  done
  unset user_lang
  stage_time "installed programs run in root 2"
fi
echo "== Pristine roots checked"
