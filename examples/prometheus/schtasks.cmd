@echo off
rem Creates a Task Scheduler job that rewrites windows_exporter's textfile
rem with the size and times of C:\logs\app.log every minute. Run once from
rem cmd.exe as an administrator; remove the job again with:
rem   schtasks /delete /tn "morlith-metrics"
schtasks /create /tn "morlith-metrics" /ru SYSTEM /sc minute /mo 1 /tr "C:\tools\morlith-metrics.exe --output \"C:\Program Files\windows_exporter\textfile_inputs\morlith.prom\" C:\logs\app.log"
