# bash completion for qoru-gbtxt: its subcommands, each one's options, and the values
# they take (directories, the faces, database files). Needs nothing but bash itself.
#
# Installed as share/bash-completion/completions/qoru-gbtxt; to try it from the source
# tree: source tools/qoru_gbtxt/qoru-gbtxt.bash

_qoru_gbtxt() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--source=DIR": bash splits the word at "=", so the option is one word further back.
  if [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  elif [[ $cur == "=" ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    cur=
  fi

  case $prev in
    --source | --work | --each)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    --db)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.mdb' -- "$cur")
      return
      ;;
    --xlsx | --evaluate)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.xlsx' -- "$cur")
      return
      ;;
    --keywords | --gssm | --holidays)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
    --max-listed | --materiality | --round-unit | --round-min | --rare-preparer | --rare-pair | \
      --seldom | --period-end-days | --duplicate-days | --keyword | --preparer | --account | \
      --size | --confidence | --tolerable | --expected | --threshold | --seed)
      COMPREPLY=()
      return
      ;;
    --face)
      mapfile -t COMPREPLY < <(compgen -W "terminal window headless" -- "$cur")
      return
      ;;
    --encoding)
      mapfile -t COMPREPLY < <(compgen -W "auto gbk utf-8" -- "$cur")
      return
      ;;
    --unit)
      mapfile -t COMPREPLY < <(compgen -W "posting voucher balance" -- "$cur")
      return
      ;;
    --side)
      mapfile -t COMPREPLY < <(compgen -W "debit credit" -- "$cur")
      return
      ;;
    --method)
      mapfile -t COMPREPLY < <(compgen -W "mus random" -- "$cur")
      return
      ;;
    --max-findings | --column | --jobs)
      COMPREPLY=()
      return
      ;;
  esac

  local sub= i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      convert | inspect | check | screen | sample)
        sub=${COMP_WORDS[i]}
        break
        ;;
    esac
  done

  local options
  case $sub in
    "") options="convert inspect check screen sample --help --version" ;;
    convert) options="--source --work --face --keep-work --encoding --json --verbose --check --column --max-findings --help" ;;
    inspect) options="--source --encoding --json --help" ;;
    check) options="--db --source --each --jobs --encoding --gssm --json --xlsx --overwrite --preparer --max-findings --strict --column --help" ;;
    screen) options="--db --source --each --jobs --encoding --gssm --json --xlsx --overwrite --preparer --max-listed --column --materiality --round-unit --round-min --rare-preparer --rare-pair --seldom --period-end-days --duplicate-days --keyword --keywords --holidays --help" ;;
    sample) options="--db --source --evaluate --encoding --gssm --column --unit --account --side --method --size --confidence --tolerable --expected --threshold --seed --json --xlsx --overwrite --preparer --help" ;;
  esac
  # An option already on the line is not offered again; --column, screen's --keyword and
  # --holidays and sample's --account may repeat, and so may the --db and --source of check
  # and screen.
  local offered=() option used
  for option in $options; do
    used=
    if [[ -n $sub && $option != --column && $option != --keyword && $option != --holidays &&
      $option != --account &&
      ! (($sub == check || $sub == screen) && ($option == --db || $option == --source)) ]]; then
      for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == "$option" ]] && used=1
      done
    fi
    [[ -z $used ]] && offered+=("$option")
  done
  mapfile -t COMPREPLY < <(compgen -W "${offered[*]}" -- "$cur")
}
complete -F _qoru_gbtxt qoru-gbtxt
