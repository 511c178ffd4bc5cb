# Sourced by the scripts that install what they need (install-deps.sh, windows.sh,
# check-format.sh, .ci/run): one function that installs the named Debian packages not yet
# installed, in one apt-get run, through sudo when not root.
install_missing_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  echo "== installing ${missing[*]}"
  local sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
}
