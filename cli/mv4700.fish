# fish completion for mv4700
set -l commands list read write reset version flash test

complete -c mv4700 -f
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a list -d "the readers found"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a read -d "the reader's settings"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a write -d "the settings of a .mvs file"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a reset -d "the reader's own defaults"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a version -d "the firmware version text"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a flash -d "a firmware update"
complete -c mv4700 -n "not __fish_seen_subcommand_from $commands" -a test -d "each ID the reader sends"

complete -c mv4700 -l usb -r -a "(__fish_complete_path /dev/hidraw)" -d "USB reader at this hidraw node"
complete -c mv4700 -l serial -r -a "(__fish_complete_path /dev/)" -d "reader on this serial port"
complete -c mv4700 -l baud -x -a "9600 19200 57600 115200" -d "only this speed"
complete -c mv4700 -s y -l yes -d "answer the question with yes"
complete -c mv4700 -l json -d "results as one JSON object"
complete -c mv4700 -l watch -d "run again on every next reader"
complete -c mv4700 -l all -d "run on every reader found, all at once"
complete -c mv4700 -s h -l help -d "show the help"
complete -c mv4700 -l version -d "show the versions"

complete -c mv4700 -n "__fish_seen_subcommand_from read" -s o -l output -r -F -d "save the settings to this .mvs file"
complete -c mv4700 -n "__fish_seen_subcommand_from write" -l verify -d "read back and compare (the default)"
complete -c mv4700 -n "__fish_seen_subcommand_from write" -l no-verify -d "do not read back"
complete -c mv4700 -n "__fish_seen_subcommand_from flash" -l rescue -d "a reader left in its loader"
complete -c mv4700 -n "__fish_seen_subcommand_from write" -F
complete -c mv4700 -n "__fish_seen_subcommand_from flash" -F
complete -c mv4700 -n "__fish_seen_subcommand_from test" -l count -x -d "end after N IDs"
