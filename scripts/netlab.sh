#!/usr/bin/env bash
# Sourced by the end-to-end tests and the demo: a little network of our own test hosts, each in a
# network namespace of its own, joined by a bridge in a hub namespace. Only these addresses are
# ever used (10.77.0.0/24 inside the namespaces); nothing leaves them.
#
#   netlab_up            makes the hub; NETLAB is this run's unique prefix
#   netlab_host NAME IP  a host NAME (namespace $NETLAB-NAME) with address IP/24 and loopback up
#   netlab_address NAME IP   one more address IP/24 for host NAME, on the same link
#   netlab_exec NAME CMD...  runs CMD inside host NAME
#   netlab_down          removes every namespace of this run (their processes must be gone)

declare -A NETLAB_LINK  # each host's end of its link to the hub

netlab_up() {
    NETLAB="lv$$"
    NETLAB_HOSTS=()
    ip netns add "$NETLAB-hub" || return 1
    ip -n "$NETLAB-hub" link add br0 type bridge || return 1
    ip -n "$NETLAB-hub" link set br0 up
    ip -n "$NETLAB-hub" link set lo up
}

netlab_host() {
    local name="$1" address="$2" index=${#NETLAB_HOSTS[@]}
    local ns="$NETLAB-$name" outside="${NETLAB}h$index" inside="${NETLAB}d$index"
    ip netns add "$ns" || return 1
    NETLAB_HOSTS+=("$ns")
    NETLAB_LINK[$name]="$inside"
    ip link add "$outside" netns "$NETLAB-hub" type veth peer name "$inside" netns "$ns" || return 1
    ip -n "$NETLAB-hub" link set "$outside" master br0
    ip -n "$NETLAB-hub" link set "$outside" up
    ip -n "$ns" addr add "$address/24" dev "$inside"
    ip -n "$ns" link set "$inside" up
    ip -n "$ns" link set lo up
}

netlab_address() {
    ip -n "$NETLAB-$1" addr add "$2/24" dev "${NETLAB_LINK[$1]}"
}

netlab_exec() {
    local name="$1"
    shift
    ip netns exec "$NETLAB-$name" "$@"
}

netlab_down() {
    local ns
    for ns in "${NETLAB_HOSTS[@]}" "$NETLAB-hub"; do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
    done
    sleep 0.2
    for ns in "${NETLAB_HOSTS[@]}" "$NETLAB-hub"; do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
        ip netns del "$ns" 2>/dev/null || true
    done
    NETLAB_HOSTS=()
}
