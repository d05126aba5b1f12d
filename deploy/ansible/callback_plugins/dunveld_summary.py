# One table of sites and outcomes at the end of a run of check.yml or rollout.yml, also when
# the failure budget ended the roll-out early: sites it never reached read "not touched".
from __future__ import annotations

DOCUMENTATION = """
    name: dunveld_summary
    type: aggregate
    short_description: Summary table of the DunVeld sites and their outcomes
    description:
      - Prints, after the play recap, one line per site of the play with the outcome that the
        dunveld_updater role counted for it (set_stats "updater"), the failed task of a site
        that failed before, or "not touched".
    requirements:
      - enabled in ansible.cfg (callbacks_enabled = dunveld_summary)
"""

from ansible.plugins.callback import CallbackBase

# How each outcome reads in the table, and whether it counts as changed, ok or failed.
_OUTCOMES = {
    "success": ("changed", "updated to the carried release"),
    "already-current": ("ok", "already at this release; nothing was changed"),
    "ready": ("ok", "ready to update"),
    "current": ("ok", "already at this release"),
    "not-ready": ("failed", "not ready; nothing was changed"),
    "cancelled": ("failed", "cancelled"),
    "rolled-back": ("failed", "rolled back to the previous version"),
    "interrupted": ("failed", "interrupted"),
    "unfinished": ("failed", "unfinished: run updater-cli recover on the site"),
    "failed": ("failed", "failed"),
}


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = "aggregate"
    CALLBACK_NAME = "dunveld_summary"
    CALLBACK_NEEDS_ENABLED = True

    def __init__(self):
        super().__init__()
        self._sites = []
        self._failed_task = {}

    def v2_playbook_on_play_start(self, play):
        # Every site of the play, not only the batch that starts now; --limit still holds.
        inventory = play.get_variable_manager()._inventory
        for host in inventory.get_hosts(play.hosts, ignore_restrictions=True):
            if host.name not in self._sites:
                self._sites.append(host.name)

    def _remember_failure(self, result, why):
        name = result._host.get_name()
        message = result._result.get("msg", "") if not result._result.get("censored") else ""
        self._failed_task[name] = "%s: %s %s" % (why, result._task.get_name(), message)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        if not ignore_errors:
            self._remember_failure(result, "failed at")

    def v2_runner_on_unreachable(self, result):
        self._remember_failure(result, "unreachable at")

    def v2_playbook_on_stats(self, stats):
        if not self._sites:
            return
        rows = []
        for site in self._sites:
            counted = stats.custom.get(site, {}).get("updater")
            if counted:
                outcome = counted.get("outcome", "failed")
                kind, words = _OUTCOMES.get(outcome, ("failed", outcome))
                detail = str(counted.get("message", "")).replace("\r", " ").replace("\n", " ")
                code = counted.get("exit_code", "")
                rows.append((site, kind, "%s (exit code %s)" % (words, code), detail))
            elif site in self._failed_task:
                rows.append((site, "failed", "failed before the Updater ran", self._failed_task[site]))
            else:
                rows.append((site, "-", "not touched", ""))
        width = max(len(row[0]) for row in rows)
        self._display.banner("DUNVELD SITES")
        for site, kind, words, detail in rows:
            line = "%-*s  %-7s  %s" % (width, site, kind, words)
            if detail:
                line += ": " + detail
            self._display.display(line)
        counts = {}
        for row in rows:
            counts[row[1]] = counts.get(row[1], 0) + 1
        self._display.display(
            "changed=%d ok=%d failed=%d not touched=%d"
            % (counts.get("changed", 0), counts.get("ok", 0), counts.get("failed", 0), counts.get("-", 0))
        )
