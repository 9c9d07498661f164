@echo off
rem Creates a Task Scheduler job that appends a record of C:\logs\app.log to
rem C:\logs\growth.csv every ten minutes. Run once from cmd.exe; remove the
rem job again with: schtasks /delete /tn "morlith app.log"
schtasks /create /tn "morlith app.log" /sc minute /mo 10 /tr "cmd.exe /c C:\tools\morlith.exe C:\logs\app.log >> C:\logs\growth.csv 2>nul"
