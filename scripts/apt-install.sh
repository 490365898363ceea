# Sourced by the install scripts: installs the Debian packages named as arguments that are
# not installed yet. Safe to run again.
apt_install() {
  local sudo="" missing=() p
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
